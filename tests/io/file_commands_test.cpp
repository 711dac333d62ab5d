// The File menu's commands with real files, the real clipboard and real drop
// events; dialogs and message boxes answered by stand-ins.
#include "files.h"
#include "io/file_commands.h"
#include "io/file_drop.h"
#include "io_doubles.h"

#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QMimeData>
#include <QPlainTextEdit>

namespace velmor::io {
namespace {

using testing::StringHolder;

class FileCommandsTest : public ::testing::Test {
protected:
    QWidget window;
    QTemporaryDir folder;
    testing::ScriptedFileDialogs dialogs;
    testing::RecordingMessages messages;
    FileCommands commands{&window, dialogs, messages};
};

TEST_F(FileCommandsTest, EachCommandAsksWithItsOwnTitleAndFilterAndACancelChangesNothing)
{
    StringHolder input(QStringLiteral("typed")), output(QStringLiteral("ciphered"));
    EXPECT_FALSE(commands.openInto(input, TextKind::Plain));
    EXPECT_FALSE(commands.saveFrom(input, TextKind::Plain));
    EXPECT_FALSE(commands.openInto(output, TextKind::Encrypted));
    EXPECT_FALSE(commands.saveFrom(output, TextKind::Encrypted));
    EXPECT_EQ(input.text() + output.text(), "typedciphered");
    const char* const expected[][2] = {
        {"Text Files (*.txt)|*.txt|All files (*.*)|*.*", "Select A Text File"},
        {"Files (*.*)|*.*", "Save File As"},
        {"Text Files (*.txt)|*.txt|All files (*.*)|*.*", "Select A Encrypted File"},
        {"Txt Files (*.txt)|*.txt", "Save Encryped Tex File As"},
    };
    ASSERT_EQ(dialogs.calls.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        const auto& call = dialogs.calls[i];
        EXPECT_EQ(call.save, i % 2 == 1);
        EXPECT_EQ(call.owner, &window);
        EXPECT_EQ(call.filter + u'/' + call.title, expected[i][0] + QString(u'/') + expected[i][1]);
        EXPECT_EQ(call.initialDir + call.defaultName, "");
    }
    EXPECT_TRUE(messages.shown.empty() && testing::entries(folder.path()).isEmpty());
    commands.newText(input, output);
    EXPECT_EQ(input.text() + output.text(), "");
}

TEST_F(FileCommandsTest, TextWithoutWindows1252FormIsRefusedBeforeAFileIsChosen)
{
    for (const auto& [text, named] : std::initializer_list<std::pair<QString, QString>>{
             {QStringLiteral("fine\r\nalso\rnot \u0151 fine"), QStringLiteral("\"\u0151\" (U+0151) on line 3")},
             {QStringLiteral("a\nb\r\n\U0001F600"), QStringLiteral("\"\U0001F600\" (U+1F600) on line 3")},
             {QStringLiteral("\u2028"), QStringLiteral("U+2028 on line 1")}}) {
        EXPECT_FALSE(commands.saveFrom(StringHolder(text), TextKind::Plain));
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_TRUE(messages.shown[0].text.contains(named)) << messages.shown[0].text.toStdString();
        messages.shown.clear();
    }
    EXPECT_TRUE(dialogs.calls.empty());
}

TEST_F(FileCommandsTest, ClipboardGetsExactlyTheTextAndNothingForAnEmptyBox)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    const QString text = QStringLiteral("first\r\nsecond\nthird\r\u00A3 \"quoted\"\r\n");
    commands.copyToClipboard(StringHolder(text));
    EXPECT_EQ(clipboard->text(), text);
    commands.copyToClipboard(StringHolder());
    EXPECT_TRUE(!clipboard->mimeData() || clipboard->mimeData()->formats().isEmpty());
}

TEST_F(FileCommandsTest, DroppingOneFileOntoABoxOpensItThere)
{
    const QString path = folder.filePath("dropped.txt");
    testing::writeBytes(path, "from a file\r\n");
    QPlainTextEdit edit;
    StringHolder box(QStringLiteral("typed"));
    new FileDrop(edit.viewport(), [&](const QString& dropped) { commands.openFileInto(box, dropped); });
    const auto drop = [&](const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(edit.viewport(), &enter);
        QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(edit.viewport(), &dropped);
        QApplication::processEvents();
    };

    drop({QUrl::fromLocalFile(path), QUrl::fromLocalFile(path)});
    EXPECT_EQ(box.text(), "typed") << "two files are not one text";
    edit.clear();
    drop({QUrl::fromLocalFile(path)});
    EXPECT_EQ(box.text(), "from a file\r\n");
    EXPECT_EQ(edit.toPlainText(), "") << "the file is not also dropped in as text";
}

}  // namespace
}  // namespace velmor::io
