// The exact-text box gives back exactly what was put in, however it got
// there: set whole, typed, pasted, deleted, undone and redone, copied.
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
class EditingModel {
public:
    explicit EditingModel(std::uint32_t seed) : rng_(seed) {}

    void run(int steps)
    {
        for (int step = 0; step < steps; ++step) {
            const Units before = model_;
            const auto [from, to] = anyRange();
            select(from, to);
            // Typing and single deletions merge with their neighbours in the
            // history, so only the other edits are undone one by one.
            bool undoable = true;
            switch (std::uniform_int_distribution<int>(0, 6)(rng_)) {
            case 0:
                select(to, to);
                QTest::keyClicks(&box_, QStringLiteral("ab"));
                replace(to, to, u"ab");
                undoable = false;
                break;
            case 1:
                QTest::keyClick(&box_, Qt::Key_Return, coin() ? Qt::ShiftModifier : Qt::NoModifier);
                replace(from, to, u"\r\n");
                break;
            case 2: {
                const QString text = coin() ? trickyText(rng_, 20) : QStringLiteral("\n\r\r\n\n\u2029\r");
                QApplication::clipboard()->setText(text);
                box_.paste();
                replace(from, to, text);
                break;
            }
            case 3:
                if (from == to) continue;
                QTest::keyClick(&box_, Qt::Key_Delete);
                replace(from, to, {});
                break;
            case 4: {
                const bool back = coin();
                select(to, to);
                QTest::keyClick(&box_, back ? Qt::Key_Backspace : Qt::Key_Delete);
                if (back && to > 0) replace(to - 1, to, {});
                if (!back && to < size()) replace(to, to + 1, {});
                undoable = false;
                break;
            }
            default:
                if (from == to) continue;
                coin() ? box_.copy() : box_.cut();
                ASSERT_EQ(QApplication::clipboard()->text(), joined(model_, from, to)) << "step " << step;
                if (box_.textCursor().hasSelection()) continue;
                replace(from, to, {});
            }
            ASSERT_EQ(box_.text(), joined(model_, 0, size())) << "step " << step;
            if (undoable && coin()) {
                box_.undo();
                ASSERT_EQ(box_.text(), joined(before, 0, static_cast<int>(before.size()))) << "undo, step " << step;
                box_.redo();
                ASSERT_EQ(box_.text(), joined(model_, 0, size())) << "redo, step " << step;
            }
        }
    }

private:
    int size() const { return static_cast<int>(model_.size()); }
    bool coin() { return std::uniform_int_distribution<int>(0, 1)(rng_) == 1; }

    std::pair<int, int> anyRange()
    {
        std::uniform_int_distribution<int> position(0, size());
        const int a = position(rng_), b = position(rng_);
        return std::minmax(a, b);
    }

    void select(int from, int to)
    {
        QTextCursor cursor = box_.textCursor();
        cursor.setPosition(coin() ? from : to);
        cursor.setPosition(cursor.position() == from ? to : from, QTextCursor::KeepAnchor);
        box_.setTextCursor(cursor);
    }

    void replace(int from, int to, QStringView text)
    {
        const Units inserted = unitsOf(text);
        model_.insert(model_.erase(model_.begin() + from, model_.begin() + to), inserted.begin(), inserted.end());
    }

    std::mt19937 rng_;
    ExactTextEdit box_;
    Units model_;
};

TEST(ExactTextEdit, EditsKeepEveryLineBreakAsItWas)
{
    for (std::uint32_t seed = 1; seed <= 20; ++seed) {
        SCOPED_TRACE(seed);
        EditingModel(seed).run(300);
    }
}

}  // namespace
}  // namespace velmor::ui::test
