// SPDX-License-Identifier: MIT
// The exact-text box gives back exactly what was put in, however it got
// there: set whole, typed, pasted, cut, undone and redone, copied.
#include "window_fixture.h"

#include "io/text_file.h"
#include "codec/windows1252.h"

#include <algorithm>
#include <random>

namespace velmor::ui::test {
namespace {

// A random text rich in what is hard to keep: runs of CR and LF in every
// combination, the other characters a document breaks lines at, U+2028, NUL,
// tabs, U+00A0, U+FFFC, and characters from all of Windows-1252.
QString trickyText(std::mt19937& rng, qsizetype length)
{
    static const QString hard = QStringLiteral("\r\n\r\n\u2028\u2029\uFDD0\uFDD1\t\u00A0\uFFFC") + QChar(u'\0');
    QString text;
    while (text.size() < length)
        text += rng() % 3 == 0 ? QChar(codec::windows1252Char(rng() % 256)) : hard[rng() % hard.size()];
    return text;
}

// The box's positions, one each: a character or a line break (CR LF
// included). A lone CR pasted in front of a LF stays two breaks, so the
// model keeps its breaks apart instead of parsing its joined text again.
QStringList unitsOf(QStringView text)
{
    QStringList units;
    qsizetype done = 0;
    for (std::optional<FoundBreak> next; (next = findLineBreak(text, done)); done = next->end()) {
        for (qsizetype i = done; i < next->position; ++i) units << text[i];
        units << lineBreakText(next->kind).toString();
    }
    for (qsizetype i = done; i < text.size(); ++i) units << text[i];
    return units;
}

// Random texts, then edits through the keyboard, the clipboard and the undo
// history, on the box and on a model: the box must always hold the model's text.
TEST(ExactTextEdit, KeepsEveryCharacterAndLineBreakThroughEditsUndoAndTheClipboard)
{
    QClipboard& clipboard = *QApplication::clipboard();
    for (std::uint32_t seed = 1; seed <= 20; ++seed) {
        std::mt19937 rng(seed);
        const auto coin = [&] { return rng() % 2 == 1; };
        ExactTextEdit box;
        QStringList model;
        for (int step = 0; step < 300; ++step) {
            SCOPED_TRACE(::testing::Message() << "seed " << seed << ", step " << step);
            if (step % 50 == 0) {
                const QString text = trickyText(rng, rng() % 200);
                box.setText(text);
                model = unitsOf(text);
                ASSERT_EQ(box.text(), text);
                ASSERT_FALSE(box.document()->isUndoAvailable()) << "a new text starts a new history";
                continue;
            }
            const QStringList before = model;
            const qsizetype a = rng() % (model.size() + 1), b = rng() % (model.size() + 1);
            const auto [from, to] = std::minmax(a, b);
            selectText(box, a, b);
            QStringList inserted;
            switch (rng() % 3) {
            case 0:
                QTest::keyClick(&box, Qt::Key_Return, coin() ? Qt::ShiftModifier : Qt::NoModifier);
                inserted = {QStringLiteral("\r\n")};
                break;
            case 1: {
                const QString text = trickyText(rng, 1 + rng() % 20);
                clipboard.setText(text);
                box.paste();
                inserted = unitsOf(text);
                break;
            }
            default:
                if (from == to) continue;
                coin() ? box.copy() : box.cut();
                ASSERT_EQ(clipboard.text(), model.mid(from, to - from).join(QString()));
                if (box.textCursor().hasSelection()) continue;
            }
            model = model.mid(0, from) + inserted + model.mid(to);
            ASSERT_EQ(box.text(), model.join(QString()));
            if (coin()) {
                box.undo();
                ASSERT_EQ(box.text(), before.join(QString())) << "undo";
                box.redo();
                ASSERT_EQ(box.text(), model.join(QString())) << "redo";
            }
        }
    }
}

// Two lines of 60,000 characters: cutting the break between them, a move
// made on the document as a drag makes it, redoing a reversed edit and a
// composition committed on a full line would each leave a line past the
// limit. Each is reversed once it is on the document, and told as a refused paste is.
TEST(ExactTextEdit, NoKindOfEditLeavesALineLongerThanTheLimit)
{
    const QString half(60000, u'a'), text = half + QStringLiteral("\r\n") + half + QStringLiteral("\r\nend");
    ExactTextEdit box;
    QSignalSpy refused(&box, &ExactTextEdit::editRefused);
    box.setText(text);
    const auto expectReversed = [&](const char* edit) {
        QCoreApplication::processEvents();
        EXPECT_TRUE(box.text() == text) << edit << ": the text is " << box.text().size() << " characters long";
        ASSERT_EQ(refused.size(), 1) << edit;
        EXPECT_EQ(refused.takeFirst().at(0).value<qsizetype>(), 120000) << edit;
    };
    selectText(box, 60000, 60001);
    QTest::keyClick(&box, Qt::Key_X, Qt::ControlModifier);
    expectReversed("Ctrl+X");
    box.redo();
    expectReversed("redo");
    selectText(box, 60000, 60001);
    box.cut();
    expectReversed("cut");
    {
        // A drag moves its selection: the break goes to the last line.
        QTextCursor move(box.document());
        move.beginEditBlock();
        move.setPosition(60000);
        move.setPosition(60001, QTextCursor::KeepAnchor);
        move.removeSelectedText();
        move.movePosition(QTextCursor::End);
        move.insertText(QStringLiteral("\r\n"));
        move.endEditBlock();
    }
    expectReversed("move");
    selectText(box, 60000, 60001);
    box.cut();
    box.setText(text);
    QCoreApplication::processEvents();
    EXPECT_TRUE(refused.isEmpty()) << "a new text replaced the edit before it was reversed";

    // Two keys typed just before the composition stay.
    const QString full = QString(io::kMaxBoxLineLength, u'b') + QStringLiteral("\r\nb");
    box.setText(full.sliced(2));
    selectText(box, 1000, 1000);
    QTest::keyClicks(&box, QStringLiteral("bb"));
    QInputMethodEvent composed;
    composed.setCommitString(QStringLiteral("\u00E9"));
    QApplication::sendEvent(&box, &composed);
    QCoreApplication::processEvents();
    EXPECT_TRUE(box.text() == full) << "a committed composition";
    ASSERT_EQ(refused.size(), 1);
    selectText(box, 0, 1);
    box.cut();
    QCoreApplication::processEvents();
    EXPECT_EQ(box.text().size(), full.size() - 1) << "an edit within the limit stays";
}

}  // namespace
}  // namespace velmor::ui::test
