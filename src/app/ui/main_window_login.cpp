// The operator at the station: the login at start, the rights that follow
// from it, and the management of operators.
#include "app/ui/main_window.h"

#include "core/cp1250.h"
#include "dictionaries/ui/material_window.h"
#include "dictionaries/ui/operator_window.h"
#include "journal/journal.h"
#include "tables/ui/table_params_window.h"

#include <QLabel>
#include <QPushButton>

void MainWindow::StartupLogin()
{
    operators_->SetMode(OperatorWindowMode::Selection);
    if (!operators_->Pick() || operators_->Login().Pending()) {
        close();  // konfig.ini is still written
        return;
    }
    CompleteLogin(operators_->Login().LoggedIn());
}

void MainWindow::CompleteLogin(const QByteArray &name)
{
    currentOperator_ = name;
    journal_->NoteLogin(name);
    statusPanels_[5]->setText(cp1250::Decode(currentOperator_));
    for (TableParams &table : config_.tables)
        table.fields[TableParams::Operator] = currentOperator_;
    // Once, with the switches as they are now; they hold until the program ends.
    rights_ = RightsFor(currentOperator_, config_);
    ApplyRights();
    materials_->SetPriceEditAllowed(rights_.editPrice);
    paramsWindow_->SetAdministrator(IsAdministrator(currentOperator_));
}

void MainWindow::ApplyRights()
{
    const std::pair<const char *, bool> controls[] = {
        {"BBmasa", rights_.editMass},
        {"BBprice", rights_.editPrice},
        {"BBusun", rights_.deleteMeasurements},
        {"BBwytop", rights_.changeOperator},
        {"BBsetrs", rights_.scaleSettings},
        {"BBparams_adv", rights_.advancedSettings},
        {"BBoperators", rights_.manageOperators},
    };
    for (const auto &[name, enabled] : controls)
        findChild<QPushButton *>(QString::fromLatin1(name))->setEnabled(enabled);
}

void MainWindow::BBoperatorsClick()
{
    // The mode stays for every later opening of the window as a picker.
    operators_->SetMode(OperatorWindowMode::Management);
    operators_->Pick();
}
