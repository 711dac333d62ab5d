// Stand-ins for a box, the file dialogs and the message boxes, so that file
// commands run headless and without a modal window.
#pragma once

#include "io/file_dialogs.h"
#include "io/messages.h"
#include "io/text_holder.h"

#include <QString>

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

// Answers each dialog with the next path of `answers`; "" (or no answer
// left) is a cancel. Remembers every call.
class ScriptedFileDialogs final : public FileDialogs {
public:
    enum class Kind { Open, Save };
    struct Call {
        Kind kind;
        QWidget* owner;
        QString filter;
        QString title;
        QString initialDir;
        QString defaultName;
    };

    std::deque<QString> answers;
    std::vector<Call> calls;

    QString ShowOpenDialog(QWidget* owner, const QString& filter, const QString& title,
                           const QString& initialDir) override
    {
        calls.push_back({Kind::Open, owner, filter, title, initialDir, {}});
        return next();
    }
    QString ShowSaveDialog(QWidget* owner, const QString& filter, const QString& title,
                           const QString& initialDir, const QString& defaultName) override
    {
        calls.push_back({Kind::Save, owner, filter, title, initialDir, defaultName});
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

// Records what would have been shown; questions take the next of `answers`,
// or `defaultAnswer` when none is left.
class RecordingMessages final : public Messages {
public:
    struct Shown {
        QWidget* owner;
        QString title;
        QString text;
        bool question;
    };

    std::vector<Shown> shown;
    std::deque<bool> answers;
    bool defaultAnswer = true;

    void warn(QWidget* owner, const QString& title, const QString& text) override
    {
        shown.push_back({owner, title, text, false});
    }
    bool ask(QWidget* owner, const QString& title, const QString& question) override
    {
        shown.push_back({owner, title, question, true});
        if (answers.empty()) return defaultAnswer;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

}  // namespace velmor::io::testing
