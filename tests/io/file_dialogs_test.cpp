// The QFileDialog-based dialogs: their set-up, the save questions, and runs
// of the real dialogs answered by a timer.
#include "io/file_commands.h"
#include "io/file_dialogs.h"
#include "io_doubles.h"
#include "temp_folder.h"

#include <QApplication>
#include <QFileDialog>
#include <QTimer>

#include <gtest/gtest.h>

#include <deque>
#include <functional>

namespace velmor::io {
namespace {

using testing::RecordingMessages;
using testing::TempFolder;

TEST(FileDialogSetup, OpenDialogTakesOnlyAnExistingFileWithTheFirstTypeSelected)
{
    QFileDialog dialog;
    const DialogTexts texts = openDialogTexts(TextKind::Encrypted);
    configureOpenDialog(dialog, texts.filter, texts.title, QString());
    EXPECT_EQ(dialog.windowTitle(), "Select A Encrypted File");
    EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptOpen);
    EXPECT_EQ(dialog.fileMode(), QFileDialog::ExistingFile);
    EXPECT_EQ(dialog.nameFilters(), (QStringList{"Text Files (*.txt)", "All files (*)"}));
    EXPECT_EQ(dialog.selectedNameFilter(), "Text Files (*.txt)");
}

TEST(FileDialogSetup, SaveDialogAddsTheDefaultSuffixAndLeavesTheQuestionsToUs)
{
    TempFolder folder;
    QFileDialog dialog;
    const DialogTexts texts = saveDialogTexts(TextKind::Encrypted);
    configureSaveDialog(dialog, texts.filter, texts.title, folder.root(), "draft");
    EXPECT_EQ(dialog.windowTitle(), "Save Encryped Tex File As");
    EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(dialog.defaultSuffix(), "$$$");
    EXPECT_TRUE(dialog.testOption(QFileDialog::DontConfirmOverwrite));
    EXPECT_EQ(dialog.selectedNameFilter(), "Txt Files (*.txt)");
    EXPECT_EQ(QDir(dialog.directory()).canonicalPath(), QDir(folder.root()).canonicalPath());
}

TEST(FileDialogSetup, DefaultSuffixOnlyForANameWithoutExtension)
{
    EXPECT_EQ(withDefaultSuffix("/tmp/letter", u"$$$"), "/tmp/letter.$$$");
    EXPECT_EQ(withDefaultSuffix("/tmp/a.b/letter", u"$$$"), "/tmp/a.b/letter.$$$");
    EXPECT_EQ(withDefaultSuffix("/tmp/letter.txt", u"$$$"), "/tmp/letter.txt");
    EXPECT_EQ(withDefaultSuffix("/tmp/letter.$$$", u"$$$"), "/tmp/letter.$$$");
    EXPECT_EQ(withDefaultSuffix("", u"$$$"), "");
}

TEST(FileDialogSetup, SaveAsksToReplaceAnExistingFileAndToCreateANewOne)
{
    TempFolder folder;
    const QString existing = folder.path("old.txt");
    testing::writeBytes(existing, "x");
    RecordingMessages messages;
    messages.answers = {false, true};

    EXPECT_FALSE(confirmSaveTarget(nullptr, "Save File As", existing, messages));
    EXPECT_TRUE(confirmSaveTarget(nullptr, "Save File As", folder.path("new.txt"), messages));

    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_TRUE(messages.shown[0].question);
    EXPECT_EQ(messages.shown[0].title, "Save File As");
    EXPECT_TRUE(messages.shown[0].text.contains(QDir::toNativeSeparators(existing)));
    EXPECT_TRUE(messages.shown[0].text.contains("replace"));
    EXPECT_TRUE(messages.shown[1].text.contains("create"));
}

// Plays the user: each time a file dialog is up, runs the next step on it.
class DialogUser {
public:
    explicit DialogUser(std::deque<std::function<void(QFileDialog&)>> steps) : steps_(std::move(steps))
    {
        QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
        timer_.start(10);
    }
    bool finished() const { return steps_.empty(); }

private:
    void poll()
    {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        // Each dialog is answered once; the next one may reuse its address.
        if (!dialog || !dialog->isVisible() || dialog->property(kAnswered).toBool() || steps_.empty()) return;
        dialog->setProperty(kAnswered, true);
        auto step = std::move(steps_.front());
        steps_.pop_front();
        step(*dialog);
    }

    std::deque<std::function<void(QFileDialog&)>> steps_;
    QTimer timer_;
    static constexpr const char* kAnswered = "answeredByTest";
};

void choose(QFileDialog& dialog, const QString& path)
{
    dialog.selectFile(path);
    static_cast<QDialog&>(dialog).accept();  // QFileDialog::accept, which checks the choice
}

TEST(SystemFileDialogs, OpenReturnsTheChosenFileAndCancelGivesEmpty)
{
    TempFolder folder;
    const QString file = folder.path("plain.txt");
    testing::writeBytes(file, "text");
    RecordingMessages messages;
    SystemFileDialogs dialogs(messages);
    const DialogTexts texts = openDialogTexts(TextKind::Plain);

    DialogUser user({[&](QFileDialog& d) { choose(d, file); }, [](QFileDialog& d) { d.reject(); }});
    EXPECT_EQ(dialogs.ShowOpenDialog(nullptr, texts.filter, texts.title, folder.root()),
              QDir::toNativeSeparators(file));
    EXPECT_EQ(dialogs.ShowOpenDialog(nullptr, texts.filter, texts.title, folder.root()), "");
    EXPECT_TRUE(user.finished());
    EXPECT_TRUE(messages.shown.empty());
}

TEST(SystemFileDialogs, SaveAddsTheSuffixAndReturnsOnlyAfterTheUserAgrees)
{
    TempFolder folder;
    RecordingMessages messages;
    messages.answers = {false, true};  // no to the first "create?", yes to the second
    SystemFileDialogs dialogs(messages);
    const DialogTexts texts = saveDialogTexts(TextKind::Plain);
    QString offeredAgain;

    DialogUser user({[&](QFileDialog& d) { choose(d, folder.path("letter")); },
                     [&](QFileDialog& d) {
                         offeredAgain = d.selectedFiles().value(0);
                         choose(d, folder.path("letter"));
                     }});
    const QString chosen = dialogs.ShowSaveDialog(nullptr, texts.filter, texts.title, folder.root(), "");

    EXPECT_EQ(chosen, QDir::toNativeSeparators(folder.path("letter.$$$")));
    EXPECT_TRUE(user.finished());
    EXPECT_EQ(QFileInfo(offeredAgain).fileName(), "letter.$$$");
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_TRUE(messages.shown[1].text.contains("letter.$$$"));
    EXPECT_FALSE(QFileInfo::exists(chosen)) << "choosing a file writes nothing";
}

TEST(SystemFileDialogs, SaveCancelledGivesEmpty)
{
    RecordingMessages messages;
    SystemFileDialogs dialogs(messages);
    DialogUser user({[](QFileDialog& d) { d.reject(); }});
    EXPECT_EQ(dialogs.ShowSaveDialog(nullptr, "Files (*.*)|*.*", "Save File As", "", ""), "");
    EXPECT_TRUE(messages.shown.empty());
}

}  // namespace
}  // namespace velmor::io
