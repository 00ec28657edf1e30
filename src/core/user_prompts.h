#pragma once

// Every question an action asks in the middle goes through this interface:
// the windows answer with real dialogs, tests with scripted answers.

#include <QString>
#include <optional>

class UserPrompts {
public:
    enum class Icon { Error, Warning, Information };

    virtual ~UserPrompts() = default;

    // A message box with an OK button.
    virtual void Message(Icon icon, const QString &text) = 0;
    void Error(const QString &text) { Message(Icon::Error, text); }
    void Warning(const QString &text) { Message(Icon::Warning, text); }
    void Information(const QString &text) { Message(Icon::Information, text); }

    // A question with "Tak" / "Nie"; true for "Tak".
    virtual bool Question(const QString &text) = 0;

    // The one-line input window (InputDialog, form TFinput). nullopt when cancelled.
    virtual std::optional<QString> InputText(const QString &title, const QString &prompt,
                                             const QString &initial, bool masked) = 0;

    // The file-open dialog. `filter` uses Qt's form ("Name (*.txt);;...").
    // nullopt when cancelled.
    virtual std::optional<QString> OpenFileName(const QString &directory, const QString &filter) = 0;

    // The file-save dialog. Overwriting is asked by the caller, not by the dialog.
    struct SaveDialog {
        QString objectName;     // "SD1"
        QString title;          // "Zapisz pomiary..."
        QString directory;      // where it starts
        QString suggestedName;  // "tab_1_20240305_140709.xlsx"
        QString filter;         // Qt's form, one entry: "*.xlsx (*.xlsx)"
        QString defaultSuffix;  // "xlsx"
    };
    // The chosen path; nullopt when cancelled.
    virtual std::optional<QString> SaveFileName(const SaveDialog &dialog) = 0;
};
