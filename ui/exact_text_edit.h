// A multi-line box that gives back exactly the characters put into it: CR LF,
// a lone LF, a lone CR, NUL, U+00A0 and every other character stay as they are.
#pragma once

#include "line_breaks.h"

#include <QPlainTextEdit>
#include <QString>
#include <QTextCursor>

namespace velmor::ui {

// A plain text document turns every line break into a block boundary and
// forgets which break it was. This box keeps the break in a property of the
// block format of the block that follows it, because a block format is what
// the document's undo history saves and restores, and because splitting or
// joining blocks keeps the right one:
// - a new block made at the cursor gets a fresh format (the typed break);
// - deleting a break deletes the block that carried it, so the joined block
//   keeps its own.
// A block without the property follows a CR LF, the break a user types.
//
// Text enters through setText(), typing (Enter gives CR LF), pasting and
// dropping (their breaks stay as they are). insertPlainText() bypasses this
// and is not to be used.
class ExactTextEdit : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit ExactTextEdit(QWidget* parent = nullptr);

    // The whole text, exactly as put in.
    QString text() const;

    // Replaces the whole text and forgets the undo history, the way loading
    // a new text does; the cursor goes to the start.
    void setText(const QString& text);

    // The exact text between two document positions.
    QString textBetween(int from, int to) const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;
    QMimeData* createMimeDataFromSelection() const override;

private:
    // Inserts `text` at `cursor`, keeping each of its breaks.
    static void insertExactly(QTextCursor& cursor, QStringView text);
    // Replaces the selection with `text` as one undo step.
    void replaceSelection(QStringView text);
};

}  // namespace velmor::ui
