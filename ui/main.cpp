// SPDX-License-Identifier: MIT
// velmor-machine: the window program.
#include "main_window.h"

#include "io/file_dialogs.h"
#include "io/messages.h"

#include <QApplication>

#include <cstdio>
#include <cstring>

namespace {

// Without a display Qt ends the program with advice about reinstalling it;
// the user is told instead what is missing and what works without it.
bool displayMissing(int argc, char* argv[])
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0) return false;
    return qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")
           && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
#else
    static_cast<void>(argc);
    static_cast<void>(argv);
    return false;
#endif
}

}  // namespace

int main(int argc, char* argv[])
{
    if (displayMissing(argc, argv)) {
        std::fputs("velmor-machine: no display was found (DISPLAY and WAYLAND_DISPLAY are not set); "
                   "the command-line tool velmor encrypts and decrypts without one.\n",
                   stderr);
        return 1;
    }
    QApplication app(argc, argv);
    velmor::io::MessageBoxes messages;
    velmor::io::SystemFileDialogs dialogs(messages);
    velmor::ui::MainWindow window(dialogs, messages);
    window.show();
    return QApplication::exec();
}
