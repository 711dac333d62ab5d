// SPDX-License-Identifier: MIT
// The exact-text box gives back exactly what was put in, however it got
// there: set whole, typed, pasted, cut, undone and redone, copied.
#include "window_fixture.h"

#include "codec/windows1252.h"

#include <algorithm>

namespace velmor::ui::test {

// A random text rich in what is hard to keep: runs of CR and LF in every
// combination, the other characters a document breaks lines at, U+2028, NUL,
// tabs, U+00A0, U+FFFC, and characters from all of Windows-1252.
static QString trickyText(std::mt19937& rng, qsizetype length)
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
static QStringList unitsOf(QStringView text)
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
            if (const QString text = trickyText(rng, rng() % 200); step % 50 == 0) {
                box.setText(text);
                model = unitsOf(text);
                ASSERT_TRUE(box.text() == text && !box.document()->isUndoAvailable()) << "a new text, a new history";
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
            if (!coin()) continue;
            box.undo();
            ASSERT_EQ(box.text(), before.join(QString())) << "undo";
            box.redo();
            ASSERT_EQ(box.text(), model.join(QString())) << "redo";
        }
    }
    ExactTextEdit filled;  // a long text goes in by pieces: a CR LF across the end of the first stays one break
    filled.setText(QString(99'998, u'a').append(u"\r\n").repeated(10) + QString(48'575, u'b') + QStringLiteral("\r\nend"));
    EXPECT_EQ(filled.document()->blockCount(), 12);
}

// Two lines of 60,000 characters: cutting the break between them, a redo of
// that cut once reversed, a move made on the document as a drag makes it,
// and a composition committed on a full line would each leave a line past
// the limit. Each is reversed once it is on the document and told as a
// refused paste is; an edit within the limit stays.
TEST(ExactTextEdit, NoKindOfEditLeavesALineLongerThanTheLimit)
{
    const QString half(60000, u'a'), text = half + QStringLiteral("\r\n") + half + QStringLiteral("\r\nend");
    const QString full = QString(io::kMaxBoxLineLength, u'b') + QStringLiteral("\r\nb");
    ExactTextEdit box;
    QSignalSpy refused(&box, &ExactTextEdit::editRefused);
    const auto cutBreak = [&box] { selectText(box, 60000, 60001); };
    const auto move = [&box] {
        QTextCursor cursor(box.document());
        cursor.beginEditBlock(), cursor.setPosition(60000), cursor.setPosition(60001, QTextCursor::KeepAnchor);
        cursor.removeSelectedText(), cursor.movePosition(QTextCursor::End), cursor.insertText(QStringLiteral("\r\n"));
        cursor.endEditBlock();
    };
    const auto compose = [&box] {
        selectText(box, 1000, 1000);
        QTest::keyClicks(&box, QStringLiteral("bb"));  // typed just before, and kept
        QInputMethodEvent composed;
        composed.setCommitString(QStringLiteral("\u00E9")), QApplication::sendEvent(&box, &composed);
    };
    for (const auto& [start, edit, after, longest] : std::initializer_list<std::tuple<QString, std::function<void()>, QString, qsizetype>>{
             {text, [&] { cutBreak(), QTest::keyClick(&box, Qt::Key_X, Qt::ControlModifier); }, text, 120000},
             {QString(), [&] { box.redo(); }, text, 120000},
             {QString(), [&] { cutBreak(), box.cut(); }, text, 120000},
             {QString(), move, text, 120000},
             {QString(), [&] { cutBreak(), box.cut(), box.setText(text); }, text, 0},  // replaced before reversed
             {full.sliced(2), compose, full, io::kMaxBoxLineLength + 1},
             {QString(), [&] { selectText(box, 0, 1), box.cut(); }, full.sliced(1), 0}}) {
        if (!start.isNull()) box.setText(start);
        edit(), QCoreApplication::processEvents();
        EXPECT_TRUE(box.text() == after) << longest << ": " << box.text().size() << " characters";
        EXPECT_EQ(refused.isEmpty() ? 0 : refused.takeFirst().at(0).value<qsizetype>(), longest);
    }
}

}  // namespace velmor::ui::test
