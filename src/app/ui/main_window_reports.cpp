// The station's summaries: the window over its own tables, and what its
// output buttons do.
#include "app/ui/main_window.h"

#include "reports/station_summary.h"
#include "reports/ui/reports_actions.h"
#include "reports/ui/reports_window.h"
#include "tables/measurement_table.h"
#include "tables/ui/table_pages.h"


void MainWindow::ShowReports()
{
    if (!reports_) {
        stationSummary_ = new StationSummary(tables_, tablePages_->Storage(), &filter_, this);
        reports_ = new ReportsWindow(*stationSummary_, clock_, this);
        reports_->setWindowFlag(Qt::Window);
        ReportsOutputEnvironment env;
        env.print = PrintEnv();
        env.company = [this] { return company_; };
        env.startDir = startDir_;
        ConnectReportsOutputs(reports_, env);
    }
    reports_->SetShownTable(tables_.Active().number());
    reports_->show();
    reports_->raise();
    reports_->activateWindow();
}
