#pragma once

// Window "Wybierz operatora" (form TFwytop, its objectName): the start-up
// login, the administrator's management of the operators and the operator
// picker. Created once at start (it loads operatorzy.txt then); shown modally
// in the mode last set. What its buttons do is in OperatorList and
// OperatorLogin; the window shows the list and forwards the clicks.

#include "dictionaries/operator_list.h"
#include "dictionaries/operator_login.h"
#include "dictionaries/pickers.h"

#include <QDialog>

class QPushButton;
class QToolBar;
class QToolButton;
class QTreeWidget;
class UserPrompts;

class OperatorWindow : public QDialog {
    Q_OBJECT
public:
    // `path`: operatorzy.txt in the data folder; `arguments`: the command line
    // after the program's name.
    OperatorWindow(const QString &path, QStringList arguments, UserPrompts &prompts, QWidget *parent = nullptr);

    void SetMode(OperatorWindowMode mode);
    OperatorWindowMode Mode() const { return mode_; }

    OperatorList &List() { return list_; }
    OperatorLogin &Login() { return login_; }

    // Shows the window modally in the mode last set; the highlighted
    // operator's name when it closed with OK.
    std::optional<PickedEntry> Pick();

    // Handlers of the window's controls.
    void TBdodajClick();
    void TBusunClick();
    void TBhasloClick();
    void BBokClick();    // the checking "OK" (Selection)
    void BBcloseClick();  // the closing "OK" (Management)
    void LVoperatorzyDblClick();

protected:
    void showEvent(QShowEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void FormActivate();
    void TryCommandLineLogin();
    void ApplyMode();
    void Refresh();
    void FollowSelection();

    UserPrompts &prompts_;
    OperatorList list_;
    OperatorLogin login_;
    OperatorWindowMode mode_ = OperatorWindowMode::Selection;
    bool autoCloseOnPaint_ = false;

    QToolBar *toolBar_ = nullptr;
    QToolButton *add_ = nullptr;
    QToolButton *delete_ = nullptr;
    QToolButton *password_ = nullptr;
    QTreeWidget *view_ = nullptr;
    QPushButton *ok_ = nullptr;
    QPushButton *cancel_ = nullptr;
    QPushButton *close_ = nullptr;
};
