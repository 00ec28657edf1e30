#pragma once

// The one-line input window (form TFinput, its objectName): a title, a
// prompt, one field (optionally masked with "*"), "OK" (default) and "Anuluj".

#include <QDialog>

class QLabel;
class QLineEdit;

class InputDialog : public QDialog {
    Q_OBJECT
public:
    explicit InputDialog(QWidget *parent = nullptr);

    // Prepares the window; the field gets the focus with its text selected.
    void Prepare(const QString &title, const QString &prompt, const QString &text, bool masked);
    QString Text() const;

    // Shows the window modally; nullopt when cancelled.
    std::optional<QString> Ask(const QString &title, const QString &prompt, const QString &text, bool masked);

protected:
    void showEvent(QShowEvent *event) override;

private:
    QLabel *prompt_;
    QLineEdit *edit_;
};
