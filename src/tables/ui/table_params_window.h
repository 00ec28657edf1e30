#pragma once

// The table parameters window (form TFparams, its objectName): name,
// description and caption colours of one table, and the defaults every new
// weighing of that table receives (order, material, operator,
// supplier/customer). Title "Parametry - tabela N".

#include "core/table_params.h"

#include <QColor>
#include <QDialog>
#include <functional>
#include <optional>

class Pickers;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

class TableParamsWindow : public QDialog {
    Q_OBJECT
public:
    // Asks for a colour starting from `initial`; nullopt when cancelled.
    using ColourChooser = std::function<std::optional<QColor>(const QColor &initial)>;

    explicit TableParamsWindow(Pickers *pickers, QWidget *parent = nullptr);

    // Shows the window preset from `params` of table `number`; the new
    // parameters when closed with OK.
    std::optional<TableParams> Edit(int number, const TableParams &params);

    void SetParams(int number, const TableParams &params);
    // The fields and the preview colours as parameters.
    TableParams TakeParams() const;

    // Rights, applied once after the login: a non-administrator changes only
    // the default order, material and supplier/customer.
    void SetAdministrator(bool administrator);
    // Tests replace the colour dialog.
    void SetColourChooser(ColourChooser chooser) { chooseColour_ = std::move(chooser); }

    void BBclearClick();
    void BBpanel_colorClick();
    void BBpanel_font_colorClick();
    void SBset_default_colorsClick();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLineEdit *AddField(class QGridLayout *grid, int row, const char *caption, const char *name, int maxLength);
    QToolButton *AddClearButton(QGridLayout *grid, int row, const char *name, QLineEdit *field);
    QPushButton *AddPickButton(QGridLayout *grid, int row, const char *name);
    void ShowPreview();

    Pickers *pickers_;
    ColourChooser chooseColour_;
    bool administrator_ = true;
    QLineEdit *name_ = nullptr;
    QLineEdit *description_ = nullptr;
    QLineEdit *order_ = nullptr;
    QLineEdit *material_ = nullptr;
    QLineEdit *operator_ = nullptr;
    QLineEdit *client_ = nullptr;
    QLabel *preview_ = nullptr;
    QList<QWidget *> adminOnly_;
    QByteArray panelColour_;
    QByteArray panelFontColour_;
    TableParams shown_;
};
