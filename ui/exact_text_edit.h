// SPDX-License-Identifier: MIT
// The exact text box: a multi-line box that gives back exactly the characters
// put into it. CR LF, a lone LF, a lone CR, NUL, U+00A0 and every other
// character stay as they are.
#pragma once

#include "io/text_holder.h"

#include <QByteArray>
#include <QPlainTextEdit>
#include <QString>
#include <QTextCursor>

#include <cstdint>
#include <functional>
#include <optional>

class QLabel;

namespace velmor::ui {

// The characters at which a text document starts a new block, and how a text
// is cut at them. The box records which one ended each line. U+2028 is not
// among them: a document keeps it inside its line.
enum class LineBreak : std::uint8_t {
    CrLf,                // CR LF, the break a user types
    Lf,                  // a lone line feed
    Cr,                  // a lone carriage return
    ParagraphSeparator,  // U+2029
    FrameStart,          // U+FDD0, which a document also cuts at
    FrameEnd,            // U+FDD1, likewise
};

inline constexpr int kLineBreakKinds = 6;

constexpr QStringView lineBreakText(LineBreak kind) noexcept
{
    switch (kind) {
    case LineBreak::CrLf: return u"\r\n";
    case LineBreak::Lf: return u"\n";
    case LineBreak::Cr: return u"\r";
    case LineBreak::ParagraphSeparator: return u"\u2029";
    case LineBreak::FrameStart: return u"\uFDD0";
    case LineBreak::FrameEnd: return u"\uFDD1";
    }
    return u"\r\n";
}

struct FoundBreak {
    qsizetype position = 0;
    LineBreak kind = LineBreak::CrLf;

    constexpr qsizetype end() const noexcept { return position + lineBreakText(kind).size(); }
};

// The first break at or after `from`.
constexpr std::optional<FoundBreak> findLineBreak(QStringView text, qsizetype from) noexcept
{
    for (qsizetype i = from; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        // Most characters lie between the two groups of break characters.
        if (c > u'\r' && c < u'\u2029') continue;
        switch (c) {
        case u'\n': return FoundBreak{i, LineBreak::Lf};
        case u'\r':
            return FoundBreak{i, i + 1 < text.size() && text[i + 1] == u'\n' ? LineBreak::CrLf : LineBreak::Cr};
        case u'\u2029': return FoundBreak{i, LineBreak::ParagraphSeparator};
        case u'\uFDD0': return FoundBreak{i, LineBreak::FrameStart};
        case u'\uFDD1': return FoundBreak{i, LineBreak::FrameEnd};
        default: break;
        }
    }
    return std::nullopt;
}

// A plain text document turns every line break into a block separator and
// forgets which break it was. This box records the break in the character
// format of the separator itself: that format is deleted with the separator,
// restored with it by undo and redo, and is what the document reports as the
// following block's character format. A separator without the record stands
// for CR LF, the break a user types.
//
// Text enters through setText(), typing (Enter gives CR LF), pasting and
// dropping (their breaks stay as they are). insertPlainText() bypasses this
// and is not to be used.
//
// A text of more lines or characters, or of a longer line, than
// io::shownWhole() allows is kept
// whole outside the document, as its Windows-1252 bytes, and the box shows
// its start read-only, with a note under it that says so. Every command
// reads the whole text.
class ExactTextEdit : public QPlainTextEdit, public io::TextHolder {
    Q_OBJECT

public:
    explicit ExactTextEdit(QWidget* parent = nullptr);

    // The whole text, exactly as put in.
    QString text() const override;

    // Replaces the whole text and forgets the undo history, the way loading
    // a new text does; the cursor goes to the start. A long text that
    // Windows-1252 can hold is kept and shown in part; any other is shown
    // whole.
    void setText(const QString& text) override;

    // Keeps `bytes` as the whole text and shows its start.
    void keepLongText(const QByteArray& bytes) override;
    std::optional<QByteArray> keptBytes() const override;
    bool isShownInPart() const noexcept { return inPart_; }

    // The commands that put a new text in this box, for the note under a
    // text shown in part: "New, ... or ...".
    void setReplacedBy(const QString& commands) { replacedBy_ = commands; }

    // The exact text between two document positions.
    QString textBetween(int from, int to) const;

    // setText() puts a long text in piece by piece and calls `pause` between
    // two pieces, so that the window can keep answering; it stops filling
    // when `pause` returns false.
    void setFillPause(std::function<bool()> pause) { fillPause_ = std::move(pause); }

signals:
    // An edit was refused, or reversed once it was on the document: with it,
    // a line would have held `longestLine` characters, more than
    // io::kMaxBoxLineLength.
    void editRefused(qsizetype longestLine);
    // Typing, pasting or deleting was tried on a text shown in part.
    void partEditRefused();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;
    void dropEvent(QDropEvent* event) override;
    QMimeData* createMimeDataFromSelection() const override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Puts `text` in the document, as setText() describes.
    void fill(QStringView text);
    void placeNote();
    // Inserts `text` at `cursor`, keeping each of its breaks.
    static void insertExactly(QTextCursor& cursor, QStringView text);
    // Replaces the selection with `text` as one undo step.
    void replaceSelection(QStringView text);
    // The longest line the box would hold with `text` in place of the selection.
    qsizetype longestLineWith(QStringView text) const;
    // The same for the edit a key press makes; 0 for a key that adds nothing.
    qsizetype longestLineAfterKey(const QKeyEvent& event) const;
    // Every edit that reaches the document, whatever made it (a cut, a drag,
    // undo and redo, a composition), is checked here afterwards; one that
    // leaves a line past the limit is undone as soon as it has ended.
    void checkEditedLines(int position, int added);
    void reverseLongLineEdit();

    std::function<bool()> fillPause_;
    // The longest line an edit left, while its reversal waits.
    qsizetype pendingLongest_ = 0;
    bool reversing_ = false;
    // A move within the box removes its selection before inserting it.
    bool movingWithin_ = false;
    // The whole text while the box shows it in part.
    QByteArray kept_;
    bool inPart_ = false;
    QLabel* note_ = nullptr;
    QString replacedBy_;
};

}  // namespace velmor::ui
