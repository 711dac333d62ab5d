// SPDX-License-Identifier: MIT
// velmor-machine: the window program.
#include "main_window.h"

#include "io/file_dialogs.h"
#include "io/messages.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    velmor::io::MessageBoxes messages;
    velmor::io::SystemFileDialogs dialogs(messages);
    velmor::ui::MainWindow window(dialogs, messages);
    window.show();
    return QApplication::exec();
}
