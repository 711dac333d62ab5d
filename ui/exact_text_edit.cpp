// SPDX-License-Identifier: MIT
// A multi-line box that gives back exactly the characters put into it.
#include "exact_text_edit.h"

#include "io/text_file.h"
#include "io/windows1252.h"
#include "words/words.h"

#include <QDropEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextDocument>

#include <algorithm>
#include <array>
#include <utility>

namespace velmor::ui {
namespace {

constexpr int kBreakProperty = QTextFormat::UserProperty + 1;
// About a tenth of a second's work for the box on a small machine, in
// characters of long lines or in blocks of short ones.
constexpr qsizetype kFillPieceCharacters = 1 << 20;
constexpr qsizetype kFillPieceLines = 50'000;
// How much of a long text a box shows: few enough blocks and characters to
// put in within a few milliseconds, and no line so long that laying it out
// (about 0.6 us a character) holds the window.
constexpr qsizetype kShownPartCharacters = io::kMaxBoxLineLength;
constexpr qsizetype kShownPartLines = 10'000;
constexpr qsizetype kShownPartLineLength = 20'000;

// The end of the piece of `text` that starts at `done`. A CR LF stays in one
// piece, or it would count as two breaks.
qsizetype pieceEnd(QStringView text, qsizetype done)
{
    const qsizetype most = std::min(text.size(), done + kFillPieceCharacters);
    qsizetype lines = 0;
    for (qsizetype i = done; i < most; ++i) {
        const QChar c = text[i];
        if (c != u'\n' && c != u'\r') continue;
        const qsizetype end = c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n' ? i + 2 : i + 1;
        if (++lines == kFillPieceLines) return end;
        i = end - 1;
    }
    return most < text.size() && text[most - 1] == u'\r' && text[most] == u'\n' ? most + 1 : most;
}

// The length of the start of `bytes` that a box shows of them.
qsizetype shownPartLength(QByteArrayView bytes)
{
    const qsizetype most = std::min(bytes.size(), kShownPartCharacters);
    qsizetype lines = 0, lineStart = 0;
    for (qsizetype i = 0; i < most; ++i) {
        if (i - lineStart == kShownPartLineLength) return i;
        if (bytes[i] != '\n' && bytes[i] != '\r') continue;
        // The break that would start one line too many is left out.
        if (++lines == kShownPartLines) return i;
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        lineStart = i + 1;
    }
    return most;
}

// Keys that type, delete, cut, paste, undo or redo.
bool editsText(const QKeyEvent& event)
{
    for (const auto key : {QKeySequence::Cut, QKeySequence::Paste, QKeySequence::Undo, QKeySequence::Redo,
                           QKeySequence::Delete, QKeySequence::Backspace, QKeySequence::DeleteStartOfWord,
                           QKeySequence::DeleteEndOfWord, QKeySequence::DeleteEndOfLine,
                           QKeySequence::DeleteCompleteLine, QKeySequence::InsertParagraphSeparator,
                           QKeySequence::InsertLineSeparator}) {
        if (event.matches(key)) return true;
    }
    const bool command = event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    return event.key() == Qt::Key_Backspace
           || (!command && !event.text().isEmpty() && event.text().front().isPrint());
}

QTextCharFormat separatorFormat(LineBreak kind)
{
    QTextCharFormat format;
    if (kind != LineBreak::CrLf) format.setProperty(kBreakProperty, static_cast<int>(kind));
    return format;
}

// The break before `block`: its character format is that of the separator
// in front of it.
LineBreak breakBefore(const QTextBlock& block)
{
    const QVariant kind = block.charFormat().property(kBreakProperty);
    if (!kind.isValid()) return LineBreak::CrLf;
    const int value = kind.toInt();
    return value >= 0 && value < kLineBreakKinds ? static_cast<LineBreak>(value) : LineBreak::CrLf;
}

// A document holds few distinct character formats, so the kind is looked up
// once per format instead of once per line.
class BreakKinds {
public:
    LineBreak before(const QTextBlock& block)
    {
        const int index = block.charFormatIndex();
        if (index < 0 || index >= static_cast<int>(known_.size())) return breakBefore(block);
        auto& slot = known_[static_cast<std::size_t>(index)];
        if (!slot) slot = breakBefore(block);
        return *slot;
    }

private:
    std::array<std::optional<LineBreak>, 64> known_{};
};

}  // namespace

ExactTextEdit::ExactTextEdit(QWidget* parent)
    : QPlainTextEdit(parent)
{
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setTabChangesFocus(true);
    connect(document(), &QTextDocument::contentsChange, this,
            [this](int position, int /*removed*/, int added) { checkEditedLines(position, added); });
}

void ExactTextEdit::checkEditedLines(int position, int added)
{
    QTextDocument* doc = document();
    // setText() fills the box with a text checked before, history off.
    if (reversing_ || !doc->isUndoRedoEnabled()) return;
    const QTextBlock last = doc->findBlock(position + added);
    qsizetype longest = 0;
    for (QTextBlock line = doc->findBlock(position); line.isValid(); line = line.next()) {
        longest = std::max<qsizetype>(longest, line.length() - 1);
        if (line == last) break;
    }
    if (longest <= io::kMaxBoxLineLength) return;
    // The document is still inside its change here; undo must wait until it has ended.
    if (pendingLongest_ == 0) QMetaObject::invokeMethod(this, &ExactTextEdit::reverseLongLineEdit, Qt::QueuedConnection);
    pendingLongest_ = std::max(pendingLongest_, longest);
}

void ExactTextEdit::reverseLongLineEdit()
{
    const qsizetype longest = std::exchange(pendingLongest_, 0);
    if (longest == 0) return;
    // The edit goes to the redo history, where redoing it is checked again.
    reversing_ = true;
    document()->undo();
    reversing_ = false;
    emit editRefused(longest);
}

QString ExactTextEdit::text() const
{
    if (inPart_) return io::fromWindows1252(kept_);
    return textBetween(0, document()->characterCount() - 1);
}

std::optional<QByteArray> ExactTextEdit::keptBytes() const
{
    if (inPart_) return kept_;
    return std::nullopt;
}

QString ExactTextEdit::textBetween(int from, int to) const
{
    QTextDocument* doc = document();
    if (from > to) std::swap(from, to);
    // The raw text has U+2029 at every block boundary and nowhere else, since
    // inserting a U+2029 always starts a block.
    QString raw;
    if (from == 0 && to >= doc->characterCount() - 1) {
        raw = doc->toRawText();
    } else {
        QTextCursor range(doc);
        range.setPosition(from);
        range.setPosition(to, QTextCursor::KeepAnchor);
        raw = range.selectedText();
    }

    // Written in place: a break takes at most one character more than its
    // separator.
    QString exact(raw.size() + raw.count(QChar::ParagraphSeparator), Qt::Uninitialized);
    QChar* out = exact.data();
    const auto append = [&out](QStringView part) { out = std::copy(part.begin(), part.end(), out); };
    BreakKinds kinds;
    QTextBlock block = doc->findBlock(from);
    const QStringView rawView(raw);
    qsizetype done = 0;
    for (qsizetype boundary; (boundary = raw.indexOf(QChar::ParagraphSeparator, done)) >= 0; done = boundary + 1) {
        append(rawView.sliced(done, boundary - done));
        block = block.next();
        append(lineBreakText(kinds.before(block)));
    }
    append(rawView.sliced(done));
    exact.truncate(out - exact.constData());
    return exact;
}

void ExactTextEdit::setText(const QString& text)
{
    if (!io::shownWhole(text.size(), io::textShape(text))) {
        io::Encoded encoded = io::toWindows1252(text);
        if (encoded.unencodableAt < 0) {
            keepLongText(encoded.bytes);
            return;
        }
    }
    if (std::exchange(inPart_, false)) {
        kept_.clear();
        note_->hide();
        setViewportMargins(0, 0, 0, 0);
        setReadOnly(false);
    }
    fill(text);
}

void ExactTextEdit::keepLongText(const QByteArray& bytes)
{
    kept_ = bytes;
    inPart_ = true;
    const qsizetype shown = shownPartLength(kept_);
    fill(io::fromWindows1252(QByteArrayView(kept_).first(shown)));
    setReadOnly(true);
    if (note_ == nullptr) {
        note_ = new QLabel(this);
        note_->setObjectName(QStringLiteral("shownInPart"));
        note_->setWordWrap(true);
        note_->setTextFormat(Qt::PlainText);
        note_->setAutoFillBackground(true);
        QFont small = note_->font();
        small.setPointSizeF(8);
        note_->setFont(small);
    }
    const QLocale english(QLocale::English);
    QString note = QString::fromUtf16(words::kShownInPart).arg(english.toString(shown), english.toString(kept_.size()));
    if (!replacedBy_.isEmpty()) note += u' ' + tr("%1 replaces it.").arg(replacedBy_);
    note_->setText(note);
    note_->show();
    placeNote();
}

void ExactTextEdit::placeNote()
{
    if (!inPart_ || note_ == nullptr) return;
    const int width = contentsRect().width() - verticalScrollBar()->sizeHint().width();
    setViewportMargins(0, 0, 0, note_->heightForWidth(width));
    const QRect view = viewport()->geometry();
    note_->setGeometry(view.left(), view.bottom() + 1, view.width(), note_->heightForWidth(view.width()));
}

void ExactTextEdit::resizeEvent(QResizeEvent* event)
{
    QPlainTextEdit::resizeEvent(event);
    placeNote();
}

void ExactTextEdit::fill(QStringView all)
{
    QTextDocument* doc = document();
    // An edit waiting to be reversed goes with the text it was made on.
    pendingLongest_ = 0;
    // Switching the history off clears it; the new text starts a new one.
    doc->setUndoRedoEnabled(false);
    // Clearing is much faster than deleting the old text block by block.
    doc->clear();
    QTextCursor cursor(doc);
    for (qsizetype done = 0; done < all.size();) {
        const qsizetype end = pieceEnd(all, done);
        cursor.beginEditBlock();
        insertExactly(cursor, all.sliced(done, end - done));
        cursor.endEditBlock();
        done = end;
        if (done < all.size() && fillPause_ && !fillPause_()) break;
    }
    doc->setUndoRedoEnabled(true);
    doc->setModified(false);
    setTextCursor(QTextCursor(doc));
}

void ExactTextEdit::insertExactly(QTextCursor& cursor, QStringView text)
{
    qsizetype done = 0;
    while (const std::optional<FoundBreak> first = findLineBreak(text, done)) {
        if (first->position > done) cursor.insertText(text.sliced(done, first->position - done).toString());
        // Inserting text cuts it at every break and gives each separator the
        // format passed in: so a run of equal breaks, with the lines between
        // them, goes in with one call, many times faster than a call a line.
        qsizetype runEnd = first->end();
        std::optional<FoundBreak> next;
        while ((next = findLineBreak(text, runEnd)) && next->kind == first->kind) runEnd = next->end();
        const qsizetype chunkEnd = next ? next->position : text.size();
        cursor.insertText(text.sliced(first->position, chunkEnd - first->position).toString(),
                          separatorFormat(first->kind));
        done = chunkEnd;
    }
    if (done < text.size()) cursor.insertText(text.sliced(done).toString());
}

void ExactTextEdit::replaceSelection(QStringView text)
{
    QTextCursor cursor = textCursor();
    cursor.beginEditBlock();
    cursor.removeSelectedText();
    insertExactly(cursor, text);
    cursor.endEditBlock();
    setTextCursor(cursor);
    ensureCursorVisible();
}

void ExactTextEdit::keyPressEvent(QKeyEvent* event)
{
    if (inPart_ && editsText(*event)) {
        emit partEditRefused();
        event->accept();
        return;
    }
    // Enter would give the new separator the format at the cursor, which may
    // record another break, and Shift+Enter would put in U+2028; a typed
    // break is CR LF.
    if (!isReadOnly()
        && (event->matches(QKeySequence::InsertParagraphSeparator)
            || event->matches(QKeySequence::InsertLineSeparator))) {
        replaceSelection(lineBreakText(LineBreak::CrLf));
        event->accept();
        return;
    }
    // Joining two lines or typing on one can make a line as long as a paste
    // can; past the limit every later key on it would hold the window.
    if (const qsizetype longest = longestLineAfterKey(*event); longest > io::kMaxBoxLineLength) {
        emit editRefused(longest);
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

qsizetype ExactTextEdit::longestLineAfterKey(const QKeyEvent& event) const
{
    if (isReadOnly()) return 0;
    const QString typed = event.text();
    // Ctrl+X and the like are commands, whatever text the key carries.
    const bool command = event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    const bool types = !command && !typed.isEmpty() && typed.front().isPrint();
    const bool deletesForward = event.key() == Qt::Key_Delete;
    const bool deletesBack = event.key() == Qt::Key_Backspace;
    if (!types && !deletesForward && !deletesBack) return 0;
    const QTextCursor cursor = textCursor();
    if (cursor.hasSelection()) return longestLineWith(types ? QStringView(typed) : QStringView());
    const QTextBlock line = cursor.block();
    const qsizetype length = line.length() - 1;
    if (types) return length + typed.size();
    if (deletesForward && cursor.atBlockEnd() && line.next().isValid()) return length + line.next().length() - 1;
    if (deletesBack && cursor.atBlockStart() && line.previous().isValid()) return line.previous().length() - 1 + length;
    return 0;
}

qsizetype ExactTextEdit::longestLineWith(QStringView text) const
{
    const QTextCursor selection = textCursor();
    const QTextBlock first = document()->findBlock(selection.selectionStart());
    const QTextBlock last = document()->findBlock(selection.selectionEnd());
    const qsizetype before = selection.selectionStart() - first.position();
    const qsizetype after = last.position() + last.length() - 1 - selection.selectionEnd();
    const auto isBreak = [](QChar c) { return c == u'\r' || c == u'\n'; };
    const auto head = std::find_if(text.begin(), text.end(), isBreak) - text.begin();
    if (head == text.size()) return before + text.size() + after;
    const auto tail = std::find_if(text.rbegin(), text.rend(), isBreak) - text.rbegin();
    return std::max({before + head, tail + after, io::longestLine(text)});
}

void ExactTextEdit::insertFromMimeData(const QMimeData* source)
{
    if (isReadOnly() || source == nullptr || !source->hasText()) return;
    const QString text = source->text();
    // A text too long to show whole goes in as a file's would, shown in part.
    const QTextCursor selection = textCursor();
    const QTextDocument& doc = *document();
    const qsizetype selectedBreaks =
        doc.findBlock(selection.selectionEnd()).blockNumber() - doc.findBlock(selection.selectionStart()).blockNumber();
    // Counted as the document counts them, a CR LF as one: close enough for a limit.
    const qsizetype characters =
        doc.characterCount() - 1 - (selection.selectionEnd() - selection.selectionStart()) + text.size();
    const qsizetype lines = doc.blockCount() - selectedBreaks + io::textShape(text).lines - 1;
    if (!movingWithin_ && !io::shownWhole(characters, {lines, 0})) {
        setText(textBetween(0, selection.selectionStart()) + text
                + textBetween(selection.selectionEnd(), doc.characterCount() - 1));
        return;
    }
    // A line the box cannot lay out would show wrongly and hold the window.
    // A move within the box has already removed its selection, which a
    // refusal here would lose: the whole move is checked once it has ended.
    if (const qsizetype longest = longestLineWith(text); !movingWithin_ && longest > io::kMaxBoxLineLength) {
        emit editRefused(longest);
        return;
    }
    replaceSelection(text);
}

void ExactTextEdit::dropEvent(QDropEvent* event)
{
    movingWithin_ = event->source() == viewport() && event->dropAction() == Qt::MoveAction;
    QPlainTextEdit::dropEvent(event);
    movingWithin_ = false;
}

QMimeData* ExactTextEdit::createMimeDataFromSelection() const
{
    const QTextCursor selection = textCursor();
    auto* data = new QMimeData;
    data->setText(textBetween(selection.selectionStart(), selection.selectionEnd()));
    return data;
}

}  // namespace velmor::ui
