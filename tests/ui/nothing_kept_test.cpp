// SPDX-License-Identifier: MIT
// The real window with its real dialogs and message boxes, in a process of
// its own whose home and XDG folders are new and empty: opening, saving,
// cancelling, dropping a file, copying and exiting leave nothing in them,
// nor does a signal that ends the program during a save.
#include "window_fixture.h"
#include "ui/start_and_exit.h"

#include "files/replaced_file.h"

#include <csignal>
#include <cstdlib>
#include <memory>
#include <string_view>

#include <sys/wait.h>
#include <unistd.h>

namespace velmor::ui::test {
namespace {

// Made before the application object, as Qt reads these folders once.
struct FreshFolders {
    QTemporaryDir root;
    QString home = root.filePath("home"), xdg = root.filePath("xdg"), files = root.filePath("files");

    FreshFolders()
    {
        for (const QString& folder : {home, xdg, files}) QDir().mkpath(folder);
        qputenv("HOME", home.toLocal8Bit());
        for (const char* name : {"CONFIG", "DATA", "CACHE", "STATE"}) {
            const QString folder = xdg + u'/' + QString::fromLatin1(name).toLower();
            QDir().mkpath(folder);
            qputenv(QByteArray("XDG_") + name + "_HOME", folder.toLocal8Bit());
        }
    }
};

FreshFolders* folders = nullptr;

// Answers each file dialog with the next of `files` ("" cancels) and each
// question with yes; a failure box is recorded and closed. A box may not
// take its answer until it has been laid out, so the answer is given again
// until the box has gone.
class ModalAnswers : public QObject {
public:
    QStringList files, failures;

    ModalAnswers()
    {
        connect(&timer_, &QTimer::timeout, this, &ModalAnswers::answer);
        timer_.start(20);
    }

private:
    void answer()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr) return;
        const bool first = modal != current_;
        current_ = modal;
        if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
            if (first) file_ = files.isEmpty() ? QString() : files.takeFirst();
            if (file_.isEmpty()) return dialog->reject();
            // Typed into the name box, then the Open or Save button.
            dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(file_);
            static_cast<QDialog*>(dialog)->accept();
        } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            const bool question = box->icon() == QMessageBox::Question;
            if (first && !question) failures << box->text();
            box->done(question ? QMessageBox::Yes : QMessageBox::Ok);
        }
    }
    QTimer timer_;
    QPointer<QWidget> current_;
    QString file_;
};

TEST(NothingKept, EveryDialogDropCopyAndExitLeaveTheHomeAndXdgFoldersEmpty)
{
    const QString plain = folders->files + QStringLiteral("/plain.txt"), saved = folders->files + QStringLiteral("/saved.txt");
    ASSERT_TRUE(io::testing::writeBytes(plain, "text\r\n"));
    io::MessageBoxes messages;
    io::SystemFileDialogs dialogs(messages);
    MainWindow window(dialogs, messages);
    window.show();
    ModalAnswers answers;
    answers.files = {QString(), plain, QString(), saved, QString(), QString(), QString()};
    QTimer::singleShot(0, &window, [&] {
        const auto choose = [&window](const char* item) { window.findChild<QAction*>(QString::fromLatin1(item))->trigger(); };
        for (const char* item : {"Op", "Op", "SAs", "SAs", "OET", "SAET", "SAs"}) choose(item);
        EXPECT_TRUE(dropFile(window.outputBox(), plain));
        for (const char* item : {"CToC", "CTCET", "EXI"}) choose(item);
    });
    QTimer::singleShot(60000, [] { QCoreApplication::exit(99); });
    ASSERT_EQ(QApplication::exec(), 0);

    EXPECT_TRUE(answers.files.isEmpty()) << "dialogs not shown: " << answers.files.join(u' ').toStdString();
    EXPECT_TRUE(answers.failures.isEmpty()) << answers.failures.join(u'\n').toStdString();
    EXPECT_EQ(io::testing::readBytes(saved), "text\r\n");
    EXPECT_EQ(window.outputBox().text(), QStringLiteral("text\r\n")) << "the drop";
    EXPECT_EQ(io::testing::entries(folders->home).join(u' ').toStdString(), "");
    EXPECT_EQ(io::testing::entries(folders->xdg).join(u' ').toStdString(), "cache config data state");
}

// Run in a child process set up as the window program is, after `before`;
// its exit status.
template <typename Before, typename Steps>
int statusOfChild(Before before, Steps steps)
{
    const pid_t child = fork();
    if (child == 0) {
        before();
        if (!prepareWindowProcess()) _exit(90);
        steps();
        _exit(0);
    }
    int status = -1;
    if (child > 0) waitpid(child, &status, 0);
    return status;
}

TEST(NothingKept, ASignalThatEndsTheProgramDuringASaveLeavesNoUnfinishedFile)
{
    const QString folder = folders->root.filePath(QStringLiteral("interrupted"));
    ASSERT_TRUE(QDir().mkpath(folder));
    for (const int signalNumber : {SIGTERM, SIGINT, SIGHUP}) {
        const int status = statusOfChild([] {}, [&] {
            files::ReplacedFile file((folder + QStringLiteral("/saved.txt")).toStdString(), "saved.txt");
            file.write(std::string(1 << 20, 'x'));
            raise(signalNumber);
        });
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signalNumber) << "status " << status;
        EXPECT_EQ(io::testing::entries(folder).join(u' ').toStdString(), "") << strsignal(signalNumber);
    }
}

// Asked for the desktop's message bus where none runs, the X11 libraries
// start one that outlives the window and note it in ~/.dbus.
TEST(NothingKept, NoMessageBusIsStartedWhereNoneRuns)
{
    const QString runtime = folders->root.filePath(QStringLiteral("runtime"));
    ASSERT_TRUE(QDir().mkpath(runtime));
    enum Bus { Unset = 1, Unchanged, NoneStarted };
    const auto busAfterStart = [&](const char* address) {
        const int status = statusOfChild(
            [&] {
                if (address == nullptr) unsetenv("DBUS_SESSION_BUS_ADDRESS");
                else setenv("DBUS_SESSION_BUS_ADDRESS", address, 1);
                setenv("XDG_RUNTIME_DIR", runtime.toLocal8Bit().constData(), 1);
            },
            [&] {
                const char* now = std::getenv("DBUS_SESSION_BUS_ADDRESS");
                if (now == nullptr) _exit(Unset);
                if (address != nullptr && std::string_view(now) == address) _exit(Unchanged);
                _exit(*now != 0 && !std::string_view(now).starts_with("autolaunch:") ? NoneStarted : 0);
            });
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    EXPECT_EQ(busAfterStart(nullptr), NoneStarted) << "none runs";
    EXPECT_EQ(busAfterStart(""), NoneStarted) << "none named";
    EXPECT_EQ(busAfterStart("unix:path=/run/elsewhere"), Unchanged) << "one named";
    ASSERT_TRUE(QDir().mkpath(runtime + QStringLiteral("/bus")));
    EXPECT_EQ(busAfterStart(nullptr), Unset) << "the one at $XDG_RUNTIME_DIR/bus is left to be found";
}

}  // namespace
}  // namespace velmor::ui::test

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    auto folders = std::make_unique<velmor::ui::test::FreshFolders>();
    velmor::ui::test::folders = folders.get();
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
