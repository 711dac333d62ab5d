// SPDX-License-Identifier: MIT
// Telling the user about a failure and asking a yes/no question, behind an
// interface so that tests answer instead of a modal box.
#pragma once

#include <QString>

class QWidget;

namespace velmor::io {

class Messages {
public:
    virtual ~Messages() = default;
    // Shows `text` and waits until the user has read it.
    virtual void warn(QWidget* owner, const QString& title, const QString& text) = 0;
    // True when the user answers yes.
    virtual bool ask(QWidget* owner, const QString& title, const QString& question) = 0;

protected:
    Messages() = default;
    Messages(const Messages&) = default;
    Messages& operator=(const Messages&) = default;
};

// Modal message boxes with the warning and question icons.
class MessageBoxes final : public Messages {
public:
    void warn(QWidget* owner, const QString& title, const QString& text) override;
    bool ask(QWidget* owner, const QString& title, const QString& question) override;
};

}  // namespace velmor::io
