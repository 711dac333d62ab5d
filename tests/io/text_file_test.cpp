// Whole text files: byte-exact reads and writes, the size limit, and the
// refusal of characters that have no byte.
#include "io/text_file.h"
#include "io/windows1252.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

namespace velmor::io {
namespace {

using testing::readBytes;
using testing::TempFolder;
using testing::writeBytes;

struct Sample {
    const char* name;
    QByteArray bytes;
};

std::vector<Sample> samples()
{
    using namespace Qt::StringLiterals;
    return {
        {"empty", ""_ba},
        {"LF", "one\ntwo\nthree\n"_ba},
        {"CR LF", "one\r\ntwo\r\nthree\r\n"_ba},
        {"lone CR", "one\rtwo\rthree"_ba},
        {"mixed endings", "a\r\nb\nc\rd\n\re\r\r\n\n"_ba},
        {"ends without a break", "no break at the end"_ba},
        {"NUL bytes", QByteArray("\0a\0\0b\r\n\0", 8)},
        {"all byte values", testing::allByteValues()},
        {"pseudo-random", testing::pseudoRandomBytes(100'003, 7)},
    };
}

TEST(TextFile, OpeningGivesOneCharacterPerByteAndSavingGivesTheBytesBack)
{
    TempFolder folder;
    for (const Sample& sample : samples()) {
        SCOPED_TRACE(sample.name);
        const QString source = folder.path("source");
        const QString copy = folder.path("copy");
        writeBytes(source, sample.bytes);

        const FileText read = readTextFile(source);
        ASSERT_TRUE(read.ok()) << read.failure.toStdString();
        EXPECT_EQ(read.text, fromWindows1252(sample.bytes));

        const FileWrite written = saveTextFile(copy, read.text);
        ASSERT_TRUE(written.ok()) << written.failure.toStdString();
        EXPECT_EQ(readBytes(copy), sample.bytes);
    }
}

TEST(TextFile, SavingReplacesALongerFileWhole)
{
    TempFolder folder;
    const QString path = folder.path("shrinks.txt");
    writeBytes(path, QByteArray(10'000, 'x'));
    ASSERT_TRUE(saveTextFile(path, u"short").ok());
    EXPECT_EQ(readBytes(path), "short");
}

TEST(TextFile, FileOfExactlyTheLimitOpensAndOneByteMoreIsRefused)
{
    TempFolder folder;
    const QString path = folder.path("limit.txt");
    writeBytes(path, QByteArray(1000, 'a'));
    EXPECT_TRUE(readTextFile(path, 1000).ok());

    writeBytes(path, QByteArray(1001, 'a'));
    const FileText refused = readTextFile(path, 1000);
    EXPECT_FALSE(refused.ok());
    EXPECT_TRUE(refused.text.isEmpty());
    EXPECT_TRUE(refused.failure.contains(QDir::toNativeSeparators(path)));
    EXPECT_TRUE(refused.failure.contains("velmor"));
}

TEST(TextFile, LimitAdmitsFiftyMegabytes)
{
    EXPECT_GE(kMaxBoxFileBytes, 50LL * 1000 * 1000);
}

TEST(TextFile, LinesEndAtCrLfLoneLfAndLoneCr)
{
    const QString text = QStringLiteral("a\r\nb\nc\rd\r\r\ne");
    // Lines:                               1     2  3  4    5    6
    const struct {
        qsizetype index;
        qsizetype line;
    } expected[] = {{0, 1}, {1, 1}, {2, 1}, {3, 2}, {5, 3}, {7, 4}, {8, 4}, {9, 5}, {10, 5}, {11, 6}};
    for (const auto& e : expected) EXPECT_EQ(lineNumberAt(text, e.index), e.line) << "at " << e.index;
}

TEST(TextFile, UnencodableCharacterIsNamedWithItsCodeAndLine)
{
    const struct {
        QString text;
        QString mentions;
        QString line;
    } cases[] = {
        {QStringLiteral("first\r\nsecond \u0151\r\n"), QStringLiteral("\"\u0151\" (U+0151)"), "line 2"},
        {QStringLiteral("a\nb\rc\r\n\U0001F600"), QStringLiteral("\"\U0001F600\" (U+1F600)"), "line 4"},
        {QStringLiteral("\u2028"), QStringLiteral("U+2028"), "line 1"},
        {QStringLiteral("x") + QChar(0xD800), QStringLiteral("U+D800"), "line 1"},
    };
    for (const auto& c : cases) {
        const FileBytes encoded = encodeForFile(c.text);
        EXPECT_FALSE(encoded.ok());
        EXPECT_TRUE(encoded.failure.contains(c.mentions)) << encoded.failure.toStdString();
        EXPECT_TRUE(encoded.failure.contains(c.line)) << encoded.failure.toStdString();
    }
}

TEST(TextFile, UnencodableTextWritesNothing)
{
    TempFolder folder;
    const QString existing = folder.path("kept.txt");
    writeBytes(existing, "old content");
    EXPECT_FALSE(saveTextFile(existing, u"new \u0151 content").ok());
    EXPECT_EQ(readBytes(existing), "old content");

    const QString fresh = folder.path("never.txt");
    EXPECT_FALSE(saveTextFile(fresh, u"\U0001F600").ok());
    EXPECT_FALSE(QFileInfo::exists(fresh));
    EXPECT_EQ(QDir(folder.root()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
              QStringList{"kept.txt"});
}

}  // namespace
}  // namespace velmor::io
