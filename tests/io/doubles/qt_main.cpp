// SPDX-License-Identifier: MIT
// Runs the file layer's and the window's tests with one application object,
// which widgets, dialogs and the clipboard need, on the offscreen platform
// unless another is asked for (also for test discovery, outside the tests' environment).
#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
