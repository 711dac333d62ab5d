// SPDX-License-Identifier: MIT
// velmor-machine: the window program.
#include "main_window.h"
#include "start_and_exit.h"

#include "io/file_dialogs.h"
#include "io/messages.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr char kWithoutDisplay[] = "the command-line tool velmor encrypts and decrypts without one.";

// The handler Qt had before start-up; set once, before any thread starts.
QtMessageHandler qtMessages = nullptr;

// While the application starts, a display that cannot be opened makes Qt
// print several lines, the last advising to reinstall, and abort. One line
// says what failed instead, and the program ends with status 1.
void startupMessages(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type == QtFatalMsg) {
        const QByteArray display = qgetenv("DISPLAY").isEmpty() ? qgetenv("WAYLAND_DISPLAY") : qgetenv("DISPLAY");
        std::fprintf(stderr, "velmor-machine: the display %s could not be opened; %s\n", display.constData(),
                     kWithoutDisplay);
        std::_Exit(1);
    }
    // The platform's own account of the same failure.
    if (context.category != nullptr && std::strncmp(context.category, "qt.qpa", 6) == 0) return;
    if (qtMessages != nullptr) qtMessages(type, context, text);
}

// Without a display Qt ends the program with advice about reinstalling it;
// the user is told instead what is missing and what works without it.
bool displayMissing(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0) return false;
    return qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")
           && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

}  // namespace

int main(int argc, char* argv[])
{
    if (!velmor::ui::prepareWindowProcess()) return 1;
    if (displayMissing(argc, argv)) {
        std::fprintf(stderr, "velmor-machine: no display was found (DISPLAY and WAYLAND_DISPLAY are not set); %s\n",
                     kWithoutDisplay);
        return 1;
    }
    qtMessages = qInstallMessageHandler(startupMessages);
    QApplication app(argc, argv);
    qInstallMessageHandler(qtMessages);
    velmor::io::MessageBoxes messages;
    velmor::io::SystemFileDialogs dialogs(messages);
    velmor::ui::MainWindow window(dialogs, messages);
    window.show();
    return QApplication::exec();
}
