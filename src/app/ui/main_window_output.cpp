// The main window's part in the output: the label ("    Drukuj etykietę"),
// the table report ("Drukuj tabelę") and their previews on the context
// menus, the clipboard copy and the spreadsheet export of a table, and the
// company lines. The documents, texts and files are made in src/output.

#include "app/ui/main_window.h"

#include "core/cp1250.h"
#include "output/clipboard_copy.h"
#include "output/excel_export.h"
#include "output/ui/print_actions.h"
#include "scale/scale_input.h"
#include "tables/ui/table_pages.h"

#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

void MainWindow::ApplyCompanyHeader()
{
    company_ = ReadCompanyHeader(dataDir_);
    for (int i = 0; i < 3; ++i)
        findChild<QLabel *>(QStringLiteral("Label%1").arg(i + 1))->setText(company_[size_t(i)]);
    auto *image = findChild<QLabel *>(QStringLiteral("Image1"));
    image->setToolTip(company_[0] + QLatin1Char('\n') + company_[1] + QLatin1Char('\n') + company_[2]);
    image->setAccessibleName(image->toolTip());
}

void MainWindow::ConnectPrinting()
{
    connect(printLabel_, &QPushButton::clicked, this, &MainWindow::BBdrukujClick);
    printLabel_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(printLabel_, &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        ShowPrintMenu(printLabel_->mapToGlobal(at), &MainWindow::PreviewLabelClick);
    });
    connect(tablePages_, &TablePages::printClicked, this, &MainWindow::TBprinttable1Click);
    connect(tablePages_, &TablePages::printMenuRequested, this,
            [this](const QPoint &at) { ShowPrintMenu(at, &MainWindow::PreviewTableClick); });
    connect(tablePages_, &TablePages::copyClicked, this, &MainWindow::TBcopytable1Click);
    connect(tablePages_, &TablePages::excelClicked, this, &MainWindow::TBexcel1Click);
}

static void BusyCursor(bool on)
{
    if (on)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void MainWindow::TBcopytable1Click()
{
    ClipboardContext ctx{tables_.Active(), config_.screenWidths, *prompts_,
                         [](const QString &text) { QGuiApplication::clipboard()->setText(text); }, BusyCursor};
    CopyTableToClipboard(ctx);
}

void MainWindow::TBexcel1Click()
{
    ExcelExportContext ctx{tables_.Active(), config_.excelVersion, startDir_, clock_->Now(), *prompts_, BusyCursor};
    ExportTableToExcel(ctx);
}

void MainWindow::ShowPrintMenu(const QPoint &globalPos, void (MainWindow::*preview)())
{
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("PMprint"));
    connect(menu.addAction(QStringLiteral("Podgląd wydruku...")), &QAction::triggered, this,
            [this, preview] { (this->*preview)(); });
    menu.exec(globalPos);
}

PrintEnvironment MainWindow::PrintEnv()
{
    PrintEnvironment env;
    env.platform = printing_;
    env.prompts = prompts_;
    env.clock = clock_;
    env.parent = this;
    env.showPrinter = [this](const QString &name) { statusPanels_[3]->setText(name); };
    return env;
}

LabelInput MainWindow::LabelNow() const
{
    LabelInput in;
    in.table = &tables_.Active();
    auto total = [this](const char *name) { return labelGroup_->findChild<QLabel *>(QLatin1String(name))->text(); };
    in.count = total("Ldisp_etyk_num");
    in.sumGross = total("Ldisp_etyk_sum_g");
    in.sumNet = total("Ldisp_etyk_sum_n");
    in.sumTare = total("Ldisp_etyk_sum_tare");
    in.unit = unit_->text();
    in.userLine1 = param1_->text();
    in.userLine2 = param2_->text();
    in.company = company_;
    in.widths = config_.labelWidths;
    return in;
}

ReportInput MainWindow::ReportNow() const
{
    ReportInput in;
    const MeasurementTable &table = tables_.Active();
    in.table = &table;
    const TableParams &params = config_.tables[size_t(table.number() - 1)];
    in.tableName = cp1250::Decode(params.fields[TableParams::Name]);
    in.tableDescription = cp1250::Decode(params.fields[TableParams::Description]);
    in.filter = filter_;
    in.unit = unit_->text();
    in.massDecimals = scaleInput_->Reading().massDecimals;
    in.company = company_;
    in.widths = config_.printWidths;
    return in;
}

void MainWindow::BBdrukujClick()
{
    PrintLabel(PrintEnv(), [this] { return LabelNow(); });
}

void MainWindow::TBprinttable1Click()
{
    PrintReport(PrintEnv(), [this] { return ReportNow(); });
}

void MainWindow::PreviewLabelClick()
{
    PreviewLabel(PrintEnv(), [this] { return LabelNow(); });
}

void MainWindow::PreviewTableClick()
{
    PreviewReport(PrintEnv(), [this] { return ReportNow(); });
}
