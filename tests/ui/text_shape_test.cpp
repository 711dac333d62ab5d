// SPDX-License-Identifier: MIT
// Texts of every shape through the window: open, encrypt, save, decrypt and
// save again give back every byte; a text past the box's limits is shown in
// part, read-only, and one within them is edited as usual.
#include "window_fixture.h"

#include "io/text_file.h"
#include "io/windows1252.h"
#include "ui/running_commands.h"
#include "words/words.h"

namespace velmor::ui::test {
namespace {

struct Shape {
    const char* name;
    QByteArray line;  // repeated up to `bytes`
    qsizetype bytes;
    bool inPart;
    bool pasteRefused = false;  // for a line too long, which a paste may not make
};

// Every byte value once, then the shape.
QByteArray shaped(const Shape& shape)
{
    QByteArray text(256, '\0');
    for (int byte = 0; byte < 256; ++byte) text[byte] = static_cast<char>(byte);
    text.reserve(shape.bytes + shape.line.size());
    while (text.size() < shape.bytes) text += shape.line;
    return text;
}

QByteArray hundredCharacterLine()
{
    QByteArray line;
    for (int i = 0; i < 98; ++i) line += static_cast<char>(0x21 + (i * 37) % 0xDE);
    return line + "\r\n";
}

TEST(TextShapes, RoundTripEveryByteAndShowLongTextsInPart)
{
    const qsizetype lines = io::kMaxShownWholeLines;
    for (const Shape& shape : {
             Shape{"only LF", "\n", 1 << 20, true},
             Shape{"LF past the line limit", "\n", lines + 300, true},
             Shape{"only CR LF", "\r\n", 1 << 20, true},
             Shape{"one-character lines", "x\r", 1 << 20, true},
             Shape{"100-character lines", hundredCharacterLine(), 2 << 20, false},
             Shape{"one long line", "y", io::kMaxShownWholeCharacters + 1, true},
             // The header's last line starts after its CR, byte 13.
             Shape{"a line at the box's limit", "z", 14 + io::kMaxBoxLineLength, false},
             Shape{"a line past the box's limit", "z", 14 + io::kMaxBoxLineLength + 1, true, true},
         }) {
        SCOPED_TRACE(shape.name);
        const QByteArray original = shaped(shape);
        QTemporaryDir folder;
        const QString plain = folder.filePath("plain.txt"), encrypted = folder.filePath("encrypted.txt"),
                      saved = folder.filePath("saved.txt");
        ASSERT_TRUE(io::testing::writeBytes(plain, original));
        ShownWindow shown;
        shown.dialogs.answers = {plain, encrypted, saved};
        shown.password().setText(QStringLiteral("key"));
        shown.choose("Op");
        EXPECT_EQ(shown.input().isShownInPart(), shape.inPart);
        EXPECT_EQ(shown.input().isReadOnly(), shape.inPart);
        QLabel* note = shown.input().findChild<QLabel*>("shownInPart");
        EXPECT_EQ(note != nullptr && note->isVisible(), shape.inPart);
        if (shape.inPart) {
            EXPECT_TRUE(note->text().contains(QLocale(QLocale::English).toString(original.size())));
            EXPECT_LE(shown.input().document()->blockCount(), 10'000);
            QTest::keyClick(&shown.input(), Qt::Key_Q);
            QTest::keyClick(&shown.input(), Qt::Key_Backspace);
            EXPECT_FALSE(shown.status().text().isEmpty()) << "an edit of a text in part is refused with a reason";
        }
        shown.input().selectAll();
        QTest::keyClick(&shown.input(), Qt::Key_Delete);
        EXPECT_EQ(shown.input().text().isEmpty(), !shape.inPart);
        shown.input().setText(io::fromWindows1252(original));

        shown.choose("EN12");
        EXPECT_EQ(shown.output().isShownInPart(), shape.inPart);
        EXPECT_TRUE(shown.input().text().isEmpty());
        EXPECT_FALSE(shown.input().isReadOnly());
        shown.choose("SAET");
        // Bytes and characters go through the same cipher.
        WheelState state;
        state.LoadWheels();
        const CipherOutcome expected =
            runCipherJob({Direction::Encrypt, 12, QStringLiteral("key"), io::fromWindows1252(original), state, &fastestTableWalk(), {}});
        EXPECT_TRUE(io::testing::readBytes(encrypted) == io::toWindows1252(expected.text).bytes);

        shown.choose("DE12");
        EXPECT_EQ(shown.input().isShownInPart(), shape.inPart);
        shown.choose("SAs");
        EXPECT_TRUE(io::testing::readBytes(saved) == original);
        shown.choose("CToC");
        EXPECT_TRUE(QGuiApplication::clipboard()->text() == io::fromWindows1252(original));
        shown.choose("Ne");
        EXPECT_FALSE(shown.input().isShownInPart() || shown.input().isReadOnly());
        EXPECT_TRUE(shown.messages.shown.isEmpty()) << shown.messages.shown.join(u'\n').toStdString();
        // Pasted in place of a text typed, it goes the way of the file.
        QTest::keyClicks(&shown.input(), "ab");
        shown.input().selectAll();
        shown.input().paste();
        EXPECT_EQ(shown.input().isShownInPart(), shape.inPart && !shape.pasteRefused);
        EXPECT_EQ(shown.messages.shown.size(), shape.pasteRefused ? 1 : 0);
        EXPECT_TRUE(shape.pasteRefused || shown.input().text() == io::fromWindows1252(original));
    }
    // The limit of lines, exactly; shown whole, the box is filled in pieces
    // that each end after a whole CR LF.
    ExactTextEdit box;
    for (const qsizetype breaks : {lines - 1, lines}) {
        const QString text = QStringLiteral("\r\n").repeated(breaks);
        box.setText(text);
        EXPECT_EQ(box.isShownInPart(), breaks == lines) << breaks;
        EXPECT_TRUE(box.text() == text) << breaks;
    }
}

}  // namespace
}  // namespace velmor::ui::test
