// The codec: a bijection between the 256 byte values and 256 characters.
#include "io/windows1252.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <utility>

namespace velmor::io {
namespace {

TEST(Windows1252, EveryByteValueSurvivesATripThroughText)
{
    const QByteArray bytes = testing::allByteValues();
    const QString text = fromWindows1252(bytes);
    ASSERT_EQ(text.size(), 256);
    for (int value = 0; value < 256; ++value) {
        EXPECT_EQ(text[value].unicode(), windows1252Char(static_cast<unsigned char>(value)));
        EXPECT_EQ(windows1252Byte(text[value].unicode()), value);
    }
    const Encoded encoded = toWindows1252(text);
    EXPECT_EQ(encoded.unencodableAt, -1);
    EXPECT_EQ(encoded.bytes, bytes);
}

TEST(Windows1252, ExactlyTheCharactersOfTheTableHaveAByte)
{
    int encodable = 0;
    for (char32_t code = 0; code <= 0xFFFF; ++code) {
        const int byte = windows1252Byte(static_cast<char16_t>(code));
        if (byte < 0) continue;
        ++encodable;
        ASSERT_LT(byte, 256);
        EXPECT_EQ(windows1252Char(static_cast<unsigned char>(byte)), code) << "U+" << std::hex << unsigned(code);
    }
    EXPECT_EQ(encodable, 256);
}

TEST(Windows1252, FollowsTheTableAndKeepsUnassignedBytesAsTheirOwnCode)
{
    const std::pair<unsigned char, char16_t> known[] = {
        {0x00, 0x0000}, {0x0A, 0x000A}, {0x0D, 0x000D}, {0x22, 0x0022}, {0x7F, 0x007F},
        {0x80, 0x20AC}, {0x85, 0x2026}, {0x8A, 0x0160}, {0x99, 0x2122}, {0x9F, 0x0178},
        {0x81, 0x0081}, {0x8D, 0x008D}, {0x8F, 0x008F}, {0x90, 0x0090}, {0x9D, 0x009D},
        {0xA0, 0x00A0}, {0xA3, 0x00A3}, {0xAC, 0x00AC}, {0xFF, 0x00FF},
    };
    for (const auto& [byte, character] : known) EXPECT_EQ(windows1252Char(byte), character) << int(byte);
}

TEST(Windows1252, CipherAlphabetHasTheSameCodesInFilesAndInText)
{
    // What lets the engine work on file bytes and on box text alike.
    for (int code = 32; code <= 126; ++code)
        EXPECT_EQ(windows1252Char(static_cast<unsigned char>(code)), char16_t(code));
    EXPECT_EQ(windows1252Char(163), u'£');
    EXPECT_EQ(windows1252Char(172), u'¬');
}

TEST(Windows1252, StopsAtTheFirstCharacterWithoutAByte)
{
    const struct {
        QString text;
        qsizetype at;
    } cases[] = {
        {QStringLiteral("ab\u0151c"), 2},         // ő
        {QStringLiteral("a\r\nb\U0001F600"), 4},  // an emoji: its first half
        {QStringLiteral("\u0080"), 0},            // C1 control; byte 0x80 is the euro sign
        {QStringLiteral("x") + QChar(0xDC00), 1},       // a lone surrogate
        {QStringLiteral("\u20AC\u00FF\u0100"), 2},
    };
    for (const auto& c : cases) {
        const Encoded encoded = toWindows1252(c.text);
        EXPECT_EQ(encoded.unencodableAt, c.at) << c.text.toStdString();
        EXPECT_EQ(fromWindows1252(encoded.bytes), c.text.left(c.at));
    }
}

}  // namespace
}  // namespace velmor::io
