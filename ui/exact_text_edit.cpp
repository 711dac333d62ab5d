// A multi-line box that gives back exactly the characters put into it.
#include "exact_text_edit.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QTextBlock>
#include <QTextBlockFormat>
#include <QTextDocument>

#include <array>

namespace velmor::ui {
namespace {

constexpr int kBreakProperty = QTextFormat::UserProperty + 1;

QTextBlockFormat formatAfter(LineBreak kind)
{
    QTextBlockFormat format;
    if (kind != LineBreak::CrLf) format.setProperty(kBreakProperty, static_cast<int>(kind));
    return format;
}

LineBreak breakBefore(const QTextBlock& block)
{
    const QVariant kind = block.blockFormat().property(kBreakProperty);
    if (!kind.isValid()) return LineBreak::CrLf;
    const int value = kind.toInt();
    return value >= 0 && value < kLineBreakKinds ? static_cast<LineBreak>(value) : LineBreak::CrLf;
}

// A document holds few distinct block formats, so the kind is looked up once
// per format instead of once per line.
class BreakKinds {
public:
    LineBreak of(const QTextBlock& block)
    {
        const int index = block.blockFormatIndex();
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
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setTabChangesFocus(true);
}

QString ExactTextEdit::text() const
{
    return textBetween(0, document()->characterCount() - 1);
}

QString ExactTextEdit::textBetween(int from, int to) const
{
    QTextCursor range(document());
    range.setPosition(from);
    range.setPosition(to, QTextCursor::KeepAnchor);
    // The raw text has U+2029 at every block boundary and nowhere else, since
    // inserting a U+2029 always starts a block.
    const QString raw = range.selectedText();
    QString exact;
    exact.reserve(raw.size() + raw.size() / 32);
    BreakKinds kinds;
    QTextBlock block = document()->findBlock(range.selectionStart());
    const QStringView rawView(raw);
    qsizetype done = 0;
    for (;;) {
        const qsizetype boundary = raw.indexOf(QChar::ParagraphSeparator, done);
        if (boundary < 0) break;
        exact += rawView.sliced(done, boundary - done);
        block = block.next();
        exact += lineBreakText(kinds.of(block));
        done = boundary + 1;
    }
    exact += rawView.sliced(done);
    return exact;
}

void ExactTextEdit::setText(const QString& text)
{
    QTextDocument* doc = document();
    // Switching the history off clears it; the new text starts a new one.
    doc->setUndoRedoEnabled(false);
    QTextCursor cursor(doc);
    cursor.beginEditBlock();
    cursor.select(QTextCursor::Document);
    cursor.removeSelectedText();
    cursor.setBlockFormat(QTextBlockFormat());
    insertExactly(cursor, text);
    cursor.endEditBlock();
    doc->setUndoRedoEnabled(true);
    doc->setModified(false);
    setTextCursor(QTextCursor(doc));
}

void ExactTextEdit::insertExactly(QTextCursor& cursor, QStringView text)
{
    const auto insert = [&cursor](QStringView part) {
        if (!part.isEmpty()) cursor.insertText(part.toString());
    };
    qsizetype done = 0;
    while (const std::optional<FoundBreak> first = findLineBreak(text, done)) {
        insert(text.sliced(done, first->position - done));
        cursor.insertBlock(formatAfter(first->kind));
        // The cursor's block now carries this kind of break, and the document
        // gives every block that insertText() starts the format of the block
        // it starts in: so a run of equal breaks goes in with one call, which
        // is many times faster than a call per line.
        qsizetype runEnd = first->end();
        std::optional<FoundBreak> next;
        while ((next = findLineBreak(text, runEnd)) && next->kind == first->kind) runEnd = next->end();
        const qsizetype chunkEnd = next ? next->position : text.size();
        insert(text.sliced(first->end(), chunkEnd - first->end()));
        done = chunkEnd;
    }
    insert(text.sliced(done));
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
    // Enter and Shift+Enter would start a block with the format of the block
    // the cursor is in, or put in U+2028; a typed break is CR LF.
    if (!isReadOnly()
        && (event->matches(QKeySequence::InsertParagraphSeparator)
            || event->matches(QKeySequence::InsertLineSeparator))) {
        replaceSelection(lineBreakText(LineBreak::CrLf));
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void ExactTextEdit::insertFromMimeData(const QMimeData* source)
{
    if (isReadOnly() || source == nullptr || !source->hasText()) return;
    replaceSelection(source->text());
}

QMimeData* ExactTextEdit::createMimeDataFromSelection() const
{
    const QTextCursor selection = textCursor();
    auto* data = new QMimeData;
    data->setText(textBetween(selection.selectionStart(), selection.selectionEnd()));
    return data;
}

}  // namespace velmor::ui
