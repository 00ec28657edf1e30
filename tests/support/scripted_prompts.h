#pragma once

// UserPrompts with answers queued by the test and every message recorded.

#include "core/user_prompts.h"

#include <QList>
#include <QStringList>
#include <deque>
#include <functional>
#include <utility>

class ScriptedPrompts : public UserPrompts {
public:
    struct Shown {
        Icon icon;
        QString text;
    };

    void Message(Icon icon, const QString &text) override
    {
        messages.append({icon, text});
        if (auto f = std::exchange(whileMessageOpen, nullptr))
            f();
    }

    bool Question(const QString &text) override
    {
        questions.append(text);
        RunWhileOpen();
        if (answers.empty())
            return false;
        const bool a = answers.front();
        answers.pop_front();
        return a;
    }

    std::optional<QString> InputText(const QString &title, const QString &prompt, const QString &initial,
                                     bool masked) override
    {
        inputs.append(title + "|" + prompt + "|" + initial + (masked ? "|*" : ""));
        RunWhileOpen();
        return Next(inputAnswers);
    }

    std::optional<QString> OpenFileName(const QString &directory, const QString &filter) override
    {
        openDialogs.append(directory + "|" + filter);
        return Next(fileAnswers);
    }

    std::optional<QString> SaveFileName(const SaveDialog &dialog) override
    {
        saveDialogs.append(dialog);
        return Next(saveAnswers);
    }

    QStringList MessageTexts() const
    {
        QStringList out;
        for (const auto &m : messages)
            out << m.text;
        return out;
    }

    // Answers, consumed in order.
    std::deque<bool> answers;
    std::deque<std::optional<QString>> inputAnswers;
    std::deque<std::optional<QString>> fileAnswers;
    std::deque<std::optional<QString>> saveAnswers;

    // Runs once while the next question or input window is open, as the
    // scale's data would arrive meanwhile.
    std::function<void()> whileOpen;
    // Runs once while the next message box is open.
    std::function<void()> whileMessageOpen;

    // What was shown.
    QList<Shown> messages;
    QStringList questions;
    QStringList inputs;
    QStringList openDialogs;
    QList<SaveDialog> saveDialogs;

private:
    void RunWhileOpen()
    {
        if (auto f = std::exchange(whileOpen, nullptr))
            f();
    }

    // Built field by field: copying an optional<QString> trips a false
    // -Wmaybe-uninitialized in GCC 12 at -O2.
    static std::optional<QString> Next(std::deque<std::optional<QString>> &queue)
    {
        if (queue.empty() || !queue.front().has_value()) {
            if (!queue.empty())
                queue.pop_front();
            return std::nullopt;
        }
        QString text = std::move(*queue.front());
        queue.pop_front();
        return text;
    }
};
