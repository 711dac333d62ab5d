// The Windows-1252 codec, the "|"-separated file types, byte-exact text files
// and what the File menu's commands ask for and refuse.
#include "files.h"
#include "io/file_commands.h"
#include "io/file_filter.h"
#include "io/text_file.h"
#include "io/windows1252.h"
#include "io_doubles.h"

#include <QWidget>

#include <random>

namespace velmor::io {
namespace {

TEST(Windows1252, MapsTheByteValuesOneToOneOntoTheTableCharacters)
{
    int encodable = 0;
    for (char32_t code = 0; code <= 0xFFFF; ++code) {
        const int byte = windows1252Byte(static_cast<char16_t>(code));
        if (byte < 0) continue;
        ++encodable;
        EXPECT_EQ(windows1252Char(static_cast<unsigned char>(byte)), code);
    }
    EXPECT_EQ(encodable, 256);
    EXPECT_EQ(fromWindows1252("\x7F\x80\x81\x8D\x8F\x90\x99\x9D\x9F\xA3\xFF"),
              QStringLiteral("\u007F\u20AC\u0081\u008D\u008F\u0090\u2122\u009D\u0178\u00A3\u00FF"));
}

TEST(FileFilter, GivesOneNameFilterPerFileTypeWithOrWithoutTheFinalBar)
{
    const QStringList expected{"Text Files (*.txt)", "All files (*)"};
    EXPECT_EQ(toNameFilters(u"Text Files (*.txt)|*.txt|All files (*.*)|*.*"), expected);
    EXPECT_EQ(toNameFilters(u"Text Files (*.txt)|*.txt|All files (*.*)|*.*|"), expected);
    EXPECT_EQ(toNameFilters(u"Notes|*.txt; *.md"), QStringList{"Notes (*.txt *.md)"});
    EXPECT_EQ(toNameFilters(u"Notes (*.txt)|*.md"), QStringList{"Notes (*.txt) (*.md)"});
    // As in the Windows dialogs, the list ends at an empty field.
    EXPECT_EQ(toNameFilters(u"A|*.a||B|*.b"), QStringList{"A (*.a)"});
    EXPECT_EQ(toNameFilters(u"A|*.a|B"), QStringList{"A (*.a)"});
}

TEST(TextFile, ReadThenSaveGivesBackEveryByteAndEveryLineEnding)
{
    QByteArray everyByte(256 * 20, Qt::Uninitialized);
    std::mt19937 random(11);
    for (qsizetype i = 0; i < everyByte.size(); ++i) everyByte[i] = static_cast<char>(i < 256 ? i : random());
    QTemporaryDir folder;
    const QString original = folder.filePath("original"), copy = folder.filePath("copy");
    for (const QByteArray& bytes : {QByteArray(), QByteArray("LF\n\"q\"\n"), QByteArray("CR LF\r\n\r\n"),
                                    QByteArray("lone\rCR\r"), QByteArray("mixed\r\n\n\r\r\n\r"),
                                    QByteArray("\0NUL\0", 5), everyByte}) {
        testing::writeBytes(original, bytes);
        const FileText read = readTextFile(original);
        ASSERT_TRUE(read.ok()) << read.failure.toStdString();
        EXPECT_EQ(read.text, fromWindows1252(bytes));
        ASSERT_TRUE(saveTextFile(copy, read.text).ok());
        EXPECT_EQ(testing::readBytes(copy), bytes);
    }
}

class FileCommandsTest : public ::testing::Test {
protected:
    QWidget window;
    testing::ScriptedFileDialogs dialogs;
    testing::RecordingMessages messages;
    FileCommands commands{&window, dialogs, messages};
};

TEST_F(FileCommandsTest, EachCommandAsksWithItsOwnTitleAndFilterAndACancelChangesNothing)
{
    testing::StringHolder input(QStringLiteral("typed")), output(QStringLiteral("ciphered"));
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
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(FileCommandsTest, TextWithoutWindows1252FormIsRefusedBeforeAFileIsChosen)
{
    for (const auto& [text, named] : std::initializer_list<std::pair<QString, QString>>{
             {QStringLiteral("fine\r\nalso\rnot \u0151 fine"), QStringLiteral("\"\u0151\" (U+0151) on line 3")},
             {QStringLiteral("a\nb\r\n\U0001F600"), QStringLiteral("\"\U0001F600\" (U+1F600) on line 3")},
             {QStringLiteral("\u2028"), QStringLiteral("U+2028 on line 1")}}) {
        EXPECT_FALSE(commands.saveFrom(testing::StringHolder(text), TextKind::Plain));
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_TRUE(messages.shown[0].text.contains(named)) << messages.shown[0].text.toStdString();
        messages.shown.clear();
    }
    EXPECT_TRUE(dialogs.calls.empty());
}

}  // namespace
}  // namespace velmor::io
