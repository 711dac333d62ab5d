// Stand-ins for a box, the file dialogs and the message boxes, so that file
// commands run headless and no modal window blocks a test.
#pragma once

#include "io/file_dialogs.h"
#include "io/messages.h"
#include "io/text_holder.h"

#include <deque>
#include <utility>
#include <vector>

namespace velmor::io::testing {

class StringHolder final : public TextHolder {
public:
    explicit StringHolder(QString text = {}) : text_(std::move(text)) {}
    QString text() const override { return text_; }
    void setText(const QString& text) override { text_ = text; }

private:
    QString text_;
};

// Answers each dialog with the next of `answers`; "" or none left is a cancel.
class ScriptedFileDialogs final : public FileDialogs {
public:
    struct Call {
        bool save;
        QWidget* owner;
        QString filter, title, initialDir, defaultName;
    };
    std::deque<QString> answers;
    std::vector<Call> calls;

    QString ShowOpenDialog(QWidget* owner, const QString& filter, const QString& title, const QString& dir) override
    {
        return next({false, owner, filter, title, dir, {}});
    }
    QString ShowSaveDialog(QWidget* owner, const QString& filter, const QString& title, const QString& dir,
                           const QString& name) override
    {
        return next({true, owner, filter, title, dir, name});
    }

private:
    QString next(Call call)
    {
        calls.push_back(std::move(call));
        if (answers.empty()) return {};
        const QString answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

// Records every box; questions take the next of `answers`, then yes.
class RecordingMessages final : public Messages {
public:
    struct Shown {
        QWidget* owner;
        QString title, text;
        bool question;
    };
    std::vector<Shown> shown;
    std::deque<bool> answers;

    void warn(QWidget* owner, const QString& title, const QString& text) override
    {
        shown.push_back({owner, title, text, false});
    }
    bool ask(QWidget* owner, const QString& title, const QString& question) override
    {
        shown.push_back({owner, title, question, true});
        const bool answer = answers.empty() || answers.front();
        if (!answers.empty()) answers.pop_front();
        return answer;
    }
};

}  // namespace velmor::io::testing
