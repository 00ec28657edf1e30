// The main window's part in the window "Ustawienia dodatkowe": it opens the
// window and puts what OK returns into the settings and onto the screen.
// What is stored is decided in StoreAdvancedSettings; this file shows it.

#include "app/ui/main_window.h"

#include "dictionaries/advanced_settings.h"
#include "dictionaries/ui/advanced_settings_window.h"
#include "tables/measurement_model.h"
#include "tables/ui/measurement_view.h"
#include "tables/ui/table_pages.h"

#include <QPushButton>

void MainWindow::CreateAdvancedSettings()
{
    advancedWindow_ = new AdvancedSettingsWindow(config_, *prompts_, this);
    // The totals of the screen widths are measured on the list of "Tabela 1".
    advancedWindow_->SetTableMeasure([this] {
        const MeasurementView *list = tablePages_->View(1);
        return AdvancedSettingsWindow::TableMeasure{list->columnWidth(MeasurementModel::kCheckColumn),
                                                    list->width()};
    });
    connect(findChild<QPushButton *>(QStringLiteral("BBparams_adv")), &QPushButton::clicked, this,
            &MainWindow::BBadvsettingsClick);
}

void MainWindow::BBadvsettingsClick()
{
    if (const std::optional<AdvancedSettings> s = advancedWindow_->Edit())
        ApplyAdvancedSettings(*s);
}

void MainWindow::ApplyAdvancedSettings(const AdvancedSettings &settings)
{
    // 1.-3., 8.-10.: the values themselves. The rights switches are read at
    // the next login, the others where they are used.
    const AdvancedSettingsEffects effects = StoreAdvancedSettings(settings, config_);

    // 4.-5. The value total and the label button, the price button (and the font).
    ApplyLayoutSettings();

    // 6. The lists from their tops, and what a change of table does: automatic
    // adding starts afresh and the totals are counted again.
    for (int n = 1; n <= kTableCount; ++n) {
        MeasurementView *list = tablePages_->View(n);
        list->scrollToTop();
        list->show();
    }
    autoAdding_.NotePageChanged();
    tablePages_->RefreshTotals();
    tablePages_->ApplyTableFont();

    // 7. A label of one weighing: no table may keep several marks.
    if (effects.clearMarks) {
        for (int n = 1; n <= kTableCount; ++n)
            tables_.Table(n).SetAllMarks(false);
        tablePages_->RefreshTotals();
    }

    // 8.-9. What the scale input and the tare controls hold of the settings.
    scaleInput_->SetAutoDelete(config_.autoDelete);
    ApplyTareSource();
    scaleInput_->SetMaxMass(config_.maxMass);

    // 11. The dial back to "no reading" (-1): its scale may have changed.
    ResetGauge();

    // 12. The window laid out again for the new widths.
    FormResize();
}
