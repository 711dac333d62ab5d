// The real QFileDialog-based dialogs, answered by a timer that plays the user.
#include "files.h"
#include "io/file_commands.h"
#include "io_doubles.h"

#include <QApplication>
#include <QFileDialog>
#include <QTimer>

#include <functional>

namespace velmor::io {
namespace {

using Step = std::function<void(QFileDialog&)>;

// Runs the next step on each file dialog that comes up. Any other box, a
// dialog left open or one too many fails the test instead of hanging it.
class DialogUser {
public:
    explicit DialogUser(std::deque<Step> steps) : steps_(std::move(steps))
    {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            auto* fileDialog = qobject_cast<QFileDialog*>(dialog);
            if (!dialog) return;
            // A property, not the address: the next dialog may reuse it.
            if (fileDialog && fileDialog->property("answered").toBool() && ++waited_ < 500) return;
            if (!fileDialog || waited_ >= 500 || steps_.empty()) {
                ADD_FAILURE() << "unexpected or stuck: " << dialog->windowTitle().toStdString();
                dialog->reject();
                return;
            }
            waited_ = 0;
            fileDialog->setProperty("answered", true);
            // Queued, so that this timer keeps running if the step opens a box.
            QMetaObject::invokeMethod(
                fileDialog, [fileDialog, step = std::move(steps_.front())] { step(*fileDialog); },
                Qt::QueuedConnection);
            steps_.pop_front();
        });
        timer_.start(10);
    }
    ~DialogUser() { EXPECT_TRUE(steps_.empty()) << "a dialog did not come up"; }

private:
    std::deque<Step> steps_;
    QTimer timer_;
    int waited_ = 0;
};

Step choose(const QString& path)
{
    return [path](QFileDialog& dialog) {
        // selectFile() leaves the name field alone while it has the focus.
        if (QWidget* focused = dialog.focusWidget()) focused->clearFocus();
        dialog.selectFile(path);
        static_cast<QDialog&>(dialog).accept();  // QFileDialog's own, which checks the choice
    };
}

const Step cancel = [](QFileDialog& dialog) { dialog.reject(); };

TEST(SystemFileDialogs, ShowTheCommandsTitlesAddTheSuffixAndReturnOnlyWhatTheUserAgreedTo)
{
    QTemporaryDir folder;
    const QString existing = folder.filePath("old.txt");
    testing::writeBytes(existing, "old");
    testing::RecordingMessages messages;
    messages.answers = {false};  // not "letter.$$$" after all: back to the dialog
    SystemFileDialogs dialogs(messages);
    const DialogTexts open = openDialogTexts(TextKind::Encrypted), save = saveDialogTexts(TextKind::Encrypted);
    const Step checkOpen = [&](QFileDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Select A Encrypted File");
        EXPECT_EQ(d.fileMode(), QFileDialog::ExistingFile);
        EXPECT_EQ(d.nameFilters(), (QStringList{"Text Files (*.txt)", "All files (*)"}));
        choose(existing)(d);
    };
    QString offeredAgain;
    const Step again = [&](QFileDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Save Encryped Tex File As");
        offeredAgain = QFileInfo(d.selectedFiles().value(0)).fileName();
        choose(folder.filePath("letter"))(d);
    };
    DialogUser user({checkOpen, cancel, choose(folder.filePath("letter")), again, choose(existing), cancel});
    EXPECT_EQ(dialogs.ShowOpenDialog(nullptr, open.filter, open.title, folder.path()), QDir::toNativeSeparators(existing));
    EXPECT_EQ(dialogs.ShowOpenDialog(nullptr, open.filter, open.title, folder.path()), "");
    for (const QString& expected : {folder.filePath("letter.$$$"), existing, QString()})
        EXPECT_EQ(dialogs.ShowSaveDialog(nullptr, save.filter, save.title, folder.path(), ""),
                  QDir::toNativeSeparators(expected));

    EXPECT_EQ(offeredAgain, "letter.$$$");
    ASSERT_EQ(messages.shown.size(), 3u);
    EXPECT_EQ(messages.shown[0].title, "Save Encryped Tex File As");
    EXPECT_TRUE(messages.shown[1].text.contains("letter.$$$") && messages.shown[1].text.contains("create"));
    EXPECT_TRUE(messages.shown[2].text.contains("old.txt") && messages.shown[2].text.contains("replace"));
    EXPECT_EQ(testing::entries(folder.path()), QStringList{"old.txt"}) << "choosing writes nothing";
}

}  // namespace
}  // namespace velmor::io
