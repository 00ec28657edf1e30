#pragma once

// UserPrompts answered by real dialogs with Polish buttons.

#include "core/user_prompts.h"

#include <functional>

class QWidget;

class DialogPrompts : public UserPrompts {
public:
    using InputWindow = std::function<std::optional<QString>(const QString &title, const QString &prompt,
                                                              const QString &text, bool masked)>;

    // `parent` centres the boxes; `input` shows the program's input window.
    DialogPrompts(QWidget *parent, InputWindow input) : parent_(parent), input_(std::move(input)) {}

    void Message(Icon icon, const QString &text) override;
    bool Question(const QString &text) override;
    std::optional<QString> InputText(const QString &title, const QString &prompt, const QString &initial,
                                     bool masked) override;
    std::optional<QString> OpenFileName(const QString &directory, const QString &filter) override;
    std::optional<QString> SaveFileName(const SaveDialog &dialog) override;

    // The caption of every message box.
    static QString Caption();

private:
    QWidget *parent_;
    InputWindow input_;
};
