// SPDX-License-Identifier: MIT
// Opening a file by dropping it onto a widget, such as a text box.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>

class QWidget;

namespace velmor::io {

// Takes drags of one local file onto `target` and hands its path, as the
// system's bytes, to `onFile`; a drag of several files, which would otherwise put their names
// in the box as text, is taken too and only their number handed to
// `onSeveral`. Every other drag goes on to `target` as before. For a scroll
// area such as QPlainTextEdit the target is its viewport(). Owned by `target`.
class FileDrop final : public QObject {
public:
    using Handler = std::function<void(const QByteArray& path)>;
    using Refusal = std::function<void(qsizetype count)>;
    FileDrop(QWidget* target, Handler onFile, Refusal onSeveral);

    // While not accepting, file drags go on to `target` like every other
    // drag, so a box that is read-only turns them away.
    void setAccepting(bool accepting) noexcept { accepting_ = accepting; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Handler onFile_;
    Refusal onSeveral_;
    bool accepting_ = true;
};

}  // namespace velmor::io
