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

    QString ShowOpenDialog(QWidget* owner, const QString& filter, const QString& title,
                           const QString& initialDir) override
    {
        calls.push_back({false, owner, filter, title, initialDir, {}});
        return next();
    }
    QString ShowSaveDialog(QWidget* owner, const QString& filter, const QString& title,
                           const QString& initialDir, const QString& defaultName) override
    {
        calls.push_back({true, owner, filter, title, initialDir, defaultName});
        return next();
    }

private:
    QString next()
    {
        if (answers.empty()) return {};
        QString answer = std::move(answers.front());
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
        if (answers.empty()) return true;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

}  // namespace velmor::io::testing
