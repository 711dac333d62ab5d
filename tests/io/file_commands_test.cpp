// The File menu's commands on stand-in boxes, dialogs and message boxes, with
// real files, the real clipboard and real drop events.
#include "io/file_commands.h"
#include "io/file_drop.h"
#include "io/windows1252.h"
#include "io_doubles.h"
#include "temp_folder.h"

#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QUrl>

#include <gtest/gtest.h>

namespace velmor::io {
namespace {

using testing::readBytes;
using testing::RecordingMessages;
using testing::ScriptedFileDialogs;
using testing::StringHolder;
using testing::TempFolder;
using testing::writeBytes;

class FileCommandsTest : public ::testing::Test {
protected:
    QWidget window;
    TempFolder folder;
    ScriptedFileDialogs dialogs;
    RecordingMessages messages;
    FileCommands commands{&window, dialogs, messages};
};

TEST_F(FileCommandsTest, OpenCommandsAskWithTheirOwnTitleAndPutTheWholeFileIntoTheBox)
{
    const QString path = folder.path("in.txt");
    writeBytes(path, "line one\r\nline two\r\n");
    dialogs.answers = {path, path};
    StringHolder input(QStringLiteral("replaced")), output(QStringLiteral("also replaced"));

    EXPECT_TRUE(commands.openInto(input, TextKind::Plain));
    EXPECT_TRUE(commands.openInto(output, TextKind::Encrypted));

    EXPECT_EQ(input.text(), "line one\r\nline two\r\n");
    EXPECT_EQ(output.text(), "line one\r\nline two\r\n");
    EXPECT_EQ(commands.fileName(), path);
    ASSERT_EQ(dialogs.calls.size(), 2u);
    for (const auto& call : dialogs.calls) {
        EXPECT_EQ(call.kind, ScriptedFileDialogs::Kind::Open);
        EXPECT_EQ(call.owner, &window);
        EXPECT_EQ(call.filter, "Text Files (*.txt)|*.txt|All files (*.*)|*.*");
        EXPECT_EQ(call.initialDir, "");
    }
    EXPECT_EQ(dialogs.calls[0].title, "Select A Text File");
    EXPECT_EQ(dialogs.calls[1].title, "Select A Encrypted File");
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(FileCommandsTest, CancelledOpenLeavesTheBoxAsItWas)
{
    StringHolder box(QStringLiteral("keep me"));
    EXPECT_FALSE(commands.openInto(box, TextKind::Plain));
    EXPECT_EQ(box.text(), "keep me");
    EXPECT_EQ(commands.fileName(), "");
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(FileCommandsTest, OpeningAnEmptyFileEmptiesTheBox)
{
    const QString path = folder.path("empty.txt");
    writeBytes(path, "");
    StringHolder box(QStringLiteral("old"));
    EXPECT_TRUE(commands.openFileInto(box, path));
    EXPECT_EQ(box.text(), "");
}

TEST_F(FileCommandsTest, SaveCommandsAskWithTheirOwnFilterAndTitleAndWriteExactlyTheText)
{
    const QString plainPath = folder.path("plain.txt");
    const QString encryptedPath = folder.path("encrypted.txt");
    dialogs.answers = {plainPath, encryptedPath};
    const StringHolder input(QString::fromUtf16(u"a\r\nb\nc\r\0\u00A3\u00AC\u20AC", 11));
    const StringHolder output(QStringLiteral(""));

    EXPECT_TRUE(commands.saveFrom(input, TextKind::Plain));
    EXPECT_TRUE(commands.saveFrom(output, TextKind::Encrypted));

    EXPECT_EQ(readBytes(plainPath), QByteArray("a\r\nb\nc\r\0\xA3\xAC\x80", 11));
    EXPECT_EQ(readBytes(encryptedPath), "") << "an empty box gives an empty file";
    EXPECT_EQ(commands.fileName(), encryptedPath);
    ASSERT_EQ(dialogs.calls.size(), 2u);
    EXPECT_EQ(dialogs.calls[0].kind, ScriptedFileDialogs::Kind::Save);
    EXPECT_EQ(dialogs.calls[0].filter, "Files (*.*)|*.*");
    EXPECT_EQ(dialogs.calls[0].title, "Save File As");
    EXPECT_EQ(dialogs.calls[1].filter, "Txt Files (*.txt)|*.txt");
    EXPECT_EQ(dialogs.calls[1].title, "Save Encryped Tex File As");
    for (const auto& call : dialogs.calls) {
        EXPECT_EQ(call.owner, &window);
        EXPECT_EQ(call.initialDir, "");
        EXPECT_EQ(call.defaultName, "");
    }
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(FileCommandsTest, CancelledSaveWritesNothingAndSaysNothing)
{
    const StringHolder box(QStringLiteral("text"));
    EXPECT_FALSE(commands.saveFrom(box, TextKind::Plain));
    EXPECT_EQ(dialogs.calls.size(), 1u);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(QDir(folder.root()).isEmpty());
}

TEST_F(FileCommandsTest, TextWithoutWindows1252FormIsRefusedBeforeAFileIsChosen)
{
    const QString existing = folder.path("kept.txt");
    writeBytes(existing, "old content");
    dialogs.answers = {existing};
    const StringHolder box(QStringLiteral("fine\r\nstill fine\r\nnot \u0151 fine"));

    EXPECT_FALSE(commands.saveFrom(box, TextKind::Plain));

    EXPECT_TRUE(dialogs.calls.empty());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].owner, &window);
    EXPECT_TRUE(messages.shown[0].text.contains("\"\u0151\" (U+0151)"));
    EXPECT_TRUE(messages.shown[0].text.contains("line 3"));
    EXPECT_EQ(readBytes(existing), "old content");
}

TEST_F(FileCommandsTest, NewEmptiesBothBoxes)
{
    StringHolder input(QStringLiteral("plain")), output(QStringLiteral("cipher"));
    commands.newText(input, output);
    EXPECT_EQ(input.text(), "");
    EXPECT_EQ(output.text(), "");
}

TEST_F(FileCommandsTest, ClipboardGetsExactlyTheTextAndNothingForAnEmptyBox)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    const QString text = QStringLiteral("first\r\nsecond\nthird\r\u00A3\u00AC \"quoted\"\r\n");
    commands.copyToClipboard(StringHolder(text));
    EXPECT_EQ(clipboard->text(), text);

    commands.copyToClipboard(StringHolder());
    EXPECT_EQ(clipboard->text(), "");
    const QMimeData* left = clipboard->mimeData();
    EXPECT_TRUE(!left || left->formats().isEmpty()) << left->formats().join(", ").toStdString();
}

TEST(DroppedFile, OnlyASingleLocalFileCounts)
{
    QMimeData one, two, remote, text;
    one.setUrls({QUrl::fromLocalFile("/tmp/a.txt")});
    two.setUrls({QUrl::fromLocalFile("/tmp/a.txt"), QUrl::fromLocalFile("/tmp/b.txt")});
    remote.setUrls({QUrl("https://example.org/a.txt")});
    text.setText("/tmp/a.txt");
    EXPECT_EQ(droppedLocalFile(one), "/tmp/a.txt");
    EXPECT_EQ(droppedLocalFile(two), "");
    EXPECT_EQ(droppedLocalFile(remote), "");
    EXPECT_EQ(droppedLocalFile(text), "");
}

TEST_F(FileCommandsTest, DroppingAFileOntoATextBoxOpensItThere)
{
    const QString path = folder.path("dropped.txt");
    writeBytes(path, "from a file\r\n");
    QPlainTextEdit edit;
    edit.setPlainText("typed");
    StringHolder box(QStringLiteral("typed"));
    new FileDrop(edit.viewport(), [&](const QString& dropped) { commands.openFileInto(box, dropped); });

    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    const QPointF where(5, 5);
    QDragEnterEvent enter(where.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(edit.viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(where, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(edit.viewport(), &drop);
    EXPECT_TRUE(drop.isAccepted());
    QApplication::processEvents();

    EXPECT_EQ(box.text(), "from a file\r\n");
    EXPECT_EQ(commands.fileName(), path);
    EXPECT_EQ(edit.toPlainText(), "typed") << "the drop does not reach the box as text";

    // Text dragged in is still the box's own business.
    QMimeData words;
    words.setText("words");
    QDropEvent textDrop(where, Qt::CopyAction, &words, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(edit.viewport(), &textDrop);
    QApplication::processEvents();
    EXPECT_EQ(box.text(), "from a file\r\n");
}

}  // namespace
}  // namespace velmor::io
