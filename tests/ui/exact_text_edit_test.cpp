// The exact-text box gives back exactly what was put in, however it got
// there: set whole, entered, pasted, deleted, undone and redone, copied.
#include "window_fixture.h"

#include "ui/line_breaks.h"

#include <QApplication>
#include <QClipboard>
#include <QTest>

#include <algorithm>
#include <vector>

namespace velmor::ui::test {
namespace {

TEST(ExactTextEdit, SetTextGivesBackEveryCharacterAndLineBreak)
{
    ExactTextEdit box;
    std::vector<QString> texts{QString(), QStringLiteral("\r\r\n\n\n\r\r"), allWindows1252Characters(),
                               QString::fromUtf16(u"a\u2028b\u2029c\uFDD0d\uFDD1e\uFFFCf\u00A0g\t\0\0", 17)};
    std::mt19937 rng(2024);
    for (int round = 0; round < 300; ++round) texts.push_back(trickyText(rng, round * 3));
    for (const QString& text : texts) {
        QTest::keyClicks(&box, QStringLiteral("x"));
        box.setText(text);
        ASSERT_EQ(box.text(), text);
        EXPECT_FALSE(box.document()->isUndoAvailable()) << "a new text starts a new history";
    }
}

// What the document gives one position each: a character or a line break
// (CR LF included). A lone CR pasted in front of a LF stays two breaks, so
// the model keeps its breaks apart instead of parsing its joined text again.
using Units = std::vector<QString>;

Units unitsOf(QStringView text)
{
    Units units;
    qsizetype done = 0;
    for (std::optional<FoundBreak> next; (next = findLineBreak(text, done)); done = next->end()) {
        for (qsizetype i = done; i < next->position; ++i) units.emplace_back(text[i]);
        units.emplace_back(lineBreakText(next->kind).toString());
    }
    for (qsizetype i = done; i < text.size(); ++i) units.emplace_back(text[i]);
    return units;
}

QString joined(const Units& units, int from, int to)
{
    QString text;
    for (int i = from; i < to; ++i) text += units[static_cast<std::size_t>(i)];
    return text;
}

// Random edits through the keyboard, the clipboard and the undo history, on
// the box and on a model: the box must always hold the model's text.
void runEdits(std::uint32_t seed, int steps)
{
    std::mt19937 rng(seed);
    const auto coin = [&] { return std::uniform_int_distribution<int>(0, 1)(rng) == 1; };
    ExactTextEdit box;
    Units model;
    const auto modelText = [](const Units& units) { return joined(units, 0, static_cast<int>(units.size())); };
    for (int step = 0; step < steps; ++step) {
        SCOPED_TRACE(step);
        const Units before = model;
        std::uniform_int_distribution<int> position(0, static_cast<int>(model.size()));
        const int a = position(rng), b = position(rng), from = std::min(a, b), to = std::max(a, b);
        QTextCursor cursor = box.textCursor();
        cursor.setPosition(coin() ? from : to);
        cursor.setPosition(cursor.position() == from ? to : from, QTextCursor::KeepAnchor);
        box.setTextCursor(cursor);
        Units inserted;
        switch (std::uniform_int_distribution<int>(0, 3)(rng)) {
        case 0:
            QTest::keyClick(&box, Qt::Key_Return, coin() ? Qt::ShiftModifier : Qt::NoModifier);
            inserted = {QStringLiteral("\r\n")};
            break;
        case 1: {
            const QString text = coin() ? trickyText(rng, 20) : QStringLiteral("\n\r\r\n\n\u2029\r");
            QApplication::clipboard()->setText(text);
            box.paste();
            inserted = unitsOf(text);
            break;
        }
        case 2:
            if (from == to) continue;
            QTest::keyClick(&box, Qt::Key_Delete);
            break;
        default:
            if (from == to) continue;
            coin() ? box.copy() : box.cut();
            ASSERT_EQ(QApplication::clipboard()->text(), joined(model, from, to));
            if (box.textCursor().hasSelection()) continue;
        }
        model.insert(model.erase(model.begin() + from, model.begin() + to), inserted.begin(), inserted.end());
        ASSERT_EQ(box.text(), modelText(model));
        if (coin()) {
            box.undo();
            ASSERT_EQ(box.text(), modelText(before)) << "undo";
            box.redo();
            ASSERT_EQ(box.text(), modelText(model)) << "redo";
        }
    }
}

TEST(ExactTextEdit, EditsKeepEveryLineBreakAsItWas)
{
    for (std::uint32_t seed = 1; seed <= 20; ++seed) {
        SCOPED_TRACE(seed);
        runEdits(seed, 300);
    }
}

}  // namespace
}  // namespace velmor::ui::test
