// SPDX-License-Identifier: MIT
// The real window with its real dialogs and message boxes, in a process of
// its own whose home and XDG folders are new and empty: opening, saving with
// its questions, cancelling, dropping a file, copying, a failure and exiting
// leave nothing in them; nor does a signal that ends the program mid-save.
#include "window_fixture.h"

#include "files/replaced_file.h"

#include <csignal>

#include <sys/wait.h>
#include <unistd.h>

namespace velmor::ui::test {

// Made before the application object, as Qt reads these folders once.
struct FreshFolders {
    QTemporaryDir root;
    QString home = root.filePath("home"), xdg = root.filePath("xdg"), files = root.filePath("files");

    FreshFolders()
    {
        for (const QString& folder : {home, files}) QDir().mkpath(folder);
        qputenv("HOME", home.toLocal8Bit());
        for (const char* name : {"CONFIG", "DATA", "CACHE", "STATE"}) {
            const QString folder = xdg + u'/' + QString::fromLatin1(name).toLower();
            QDir().mkpath(folder), qputenv(QByteArray("XDG_") + name + "_HOME", folder.toLocal8Bit());
        }
    }
};

static FreshFolders* folders = nullptr;

// Plays the user of modal boxes: types the next of `files` into each file
// dialog ("" cancels) after noting the name it offers, answers each question
// with the next of `answers` (then yes), and closes each failure box after
// noting its text, details, title and icon. A box may not take its answer
// until it has been laid out, so the answer is given again until it has gone.
struct ModalAnswers {
    QStringList files, offered, questions, failures;
    QList<bool> answers;
    QPointer<QWidget> current;
    QString file;
    bool yes = true;
    QTimer timer;

    ModalAnswers() { QObject::connect(&timer, &QTimer::timeout, [this] { answer(); }), timer.start(20); }
    void answer()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr) return;
        const bool first = modal != current;
        current = modal;
        if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
            if (first) offered << QFileInfo(dialog->selectedFiles().value(0)).fileName(), file = files.value(0);
            if (first && !files.isEmpty()) files.removeFirst();
            if (file.isEmpty()) return dialog->reject();
            dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(file);
            static_cast<QDialog*>(dialog)->accept();
        } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            const bool question = box->icon() == QMessageBox::Question;
            if (first && question) questions << box->text(), yes = answers.isEmpty() || answers.takeFirst();
            if (first && !question)
                failures << box->text() << box->detailedText() << box->windowTitle() << QString::number(box->icon());
            box->done(!question ? QMessageBox::Ok : yes ? QMessageBox::Yes : QMessageBox::No);
        }
    }
};

TEST(NothingKept, EveryDialogQuestionDropCopyFailureAndExitLeaveTheHomeAndXdgFoldersEmpty)
{
    const QString plain = folders->files + "/plain.txt", saved = folders->files + "/saved.txt";
    ASSERT_TRUE(io::testing::writeBytes(plain, "text\r\n"));
    io::MessageBoxes messages;
    io::SystemFileDialogs dialogs(messages);
    MainWindow window(dialogs, messages);
    window.show();
    ModalAnswers user;
    // "letter" is offered as "letter.$$$", turned down, and the dialog comes back with that name.
    user.files = {QString(), plain, QString(), folders->files + "/letter", saved, plain, QString(), QString()};
    user.answers = {false};
    // A path too long for a box is shortened in the middle, its file's own name whole.
    QString path = QStringLiteral("/home/user");
    while (path.size() < 3000) path += QStringLiteral("/folder%1").arg(path.size());
    path += QStringLiteral("/the-file's-own-name.txt");
    const QString failure = path + QStringLiteral(" could not be read");
    bool dropped = false;
    QTimer::singleShot(0, &window, [&] {
        for (const char* item : {"Op", "Op", "SAs", "SAs", "SAs", "OET", "SAET", "", "CToC", "CTCET"})
            *item == 0 ? void(dropped = dropFile(window.outputBox(), plain)) : window.findChild<QAction*>(item)->trigger();
        messages.warn(&window, window.windowTitle(), failure);
        window.findChild<QAction*>("EXI")->trigger();
    });
    QTimer::singleShot(60000, [] { QCoreApplication::exit(99); });
    ASSERT_EQ(QApplication::exec(), 0);

    EXPECT_TRUE(user.files.isEmpty()) << "dialogs not shown: " << user.files.join(u' ').toStdString();
    EXPECT_EQ(user.offered.value(4), "letter.$$$");
    ASSERT_EQ(user.questions.size(), 3);
    for (const auto& [i, name, word] : {std::tuple{0, "letter.$$$", "create"}, {1, "saved.txt", "create"}, {2, "plain.txt", "replace"}})
        EXPECT_TRUE(user.questions[i].contains(name) && user.questions[i].contains(word)) << user.questions[i].toStdString();
    EXPECT_EQ(io::testing::entries(folders->files), "plain.txt saved.txt") << "choosing writes nothing";
    EXPECT_EQ(io::testing::readBytes(saved), "text\r\n");
    EXPECT_TRUE(dropped && window.outputBox().text() == QStringLiteral("text\r\n")) << "the drop";
    ASSERT_EQ(user.failures.size(), 4) << "one failure box";
    const QString shown = user.failures[0];
    EXPECT_TRUE(shown.size() < 200 && shown.startsWith("/home/user/") && shown.contains(u'\u2026') &&
                shown.endsWith("/the-file's-own-name.txt could not be read")) << shown.toStdString();
    EXPECT_EQ(user.failures.mid(1), (QStringList{failure, window.windowTitle(), QString::number(QMessageBox::Warning)}));
    EXPECT_EQ(io::testing::entries(folders->home), "");
    EXPECT_EQ(io::testing::entries(folders->xdg), "cache config data state");
}

// Run in a child process set up as the window program is, after `before`;
// its exit status.
template <typename Before, typename Steps>
static int statusOfChild(Before before, Steps steps)
{
    if (const pid_t child = fork(); child != 0) {
        int status = -1;
        return child > 0 && waitpid(child, &status, 0) == child ? status : -1;
    }
    before();
    if (!prepareWindowProcess()) _exit(90);
    steps();
    _exit(0);
}

// A signal that ends the program mid-save leaves no unfinished file; past
// the file size limit a save fails instead of ending the program. Asked for
// the desktop's message bus where none runs, the X11 libraries start one that
// outlives the window and note it in ~/.dbus: the window names none instead,
// unless one is named or runs at $XDG_RUNTIME_DIR/bus.
TEST(NothingKept, ASignalDuringASaveLeavesNoUnfinishedFileAndNoMessageBusIsStarted)
{
    const QString folder = folders->root.filePath(QStringLiteral("interrupted"));
    ASSERT_TRUE(QDir().mkpath(folder));
    for (const int signalNumber : {SIGTERM, SIGXFSZ}) {
        const int status = statusOfChild([] {}, [&] {
            files::ReplacedFile file((folder + QStringLiteral("/saved.txt")).toStdString(), "saved.txt");
            file.write(std::string(1 << 20, 'x'));
            raise(signalNumber);
        });
        const bool ends = signalNumber != SIGXFSZ;
        EXPECT_TRUE(ends ? WIFSIGNALED(status) && WTERMSIG(status) == signalNumber : WIFEXITED(status)) << status;
        EXPECT_EQ(io::testing::entries(folder), "") << strsignal(signalNumber);
    }
    const QByteArray runtime = QFile::encodeName(folders->root.filePath(QStringLiteral("runtime")));
    for (const auto& [address, busFolder, after] : {std::tuple{"", false, "disabled:"}, {"unix:path=/x", false, "unix:path=/x"},
                                                    {nullptr, false, "disabled:"}, {nullptr, true, nullptr}}) {
        ASSERT_TRUE(QDir().mkpath(runtime + (busFolder ? "/bus" : "")));
        const int status = statusOfChild(
            [&] {
                address == nullptr ? unsetenv("DBUS_SESSION_BUS_ADDRESS") : setenv("DBUS_SESSION_BUS_ADDRESS", address, 1);
                setenv("XDG_RUNTIME_DIR", runtime.constData(), 1);
            },
            [&] { _exit(QByteArray(std::getenv("DBUS_SESSION_BUS_ADDRESS")) == QByteArray(after) ? 0 : 1); });
        EXPECT_EQ(status, 0) << (address ? address : "unset") << (busFolder ? " with a bus" : "");
    }
}

}  // namespace velmor::ui::test

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    velmor::ui::test::FreshFolders fresh;
    velmor::ui::test::folders = &fresh;
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
