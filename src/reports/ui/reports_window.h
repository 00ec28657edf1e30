#pragma once

// The summaries window (form TFzestawienia): weighings of a period grouped
// by one or two keys, as a sortable table with its total and a bar chart of
// one measure. Read-only; the summary comes from a SummaryService (the
// station's tables or the office's database), which answers later.

#include "reports/summary.h"

#include <QImage>
#include <QWidget>

class Clock;
class QButtonGroup;
class QChartView;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QPainter;
class QPushButton;
class QRadioButton;
class QTableView;
class SummarySortProxy;
class SummaryTableModel;

class ReportsWindow : public QWidget {
    Q_OBJECT
  public:
    // `clock` gives "today" for the default period and the quick choices (the system's when null).
    explicit ReportsWindow(SummaryService &service, const Clock *clock = nullptr, QWidget *parent = nullptr);
    ~ReportsWindow() override;

    // The table the main window shows (1..5), for "Pokazana tabela".
    void SetShownTable(int table);

    // The request the controls describe now.
    SummaryRequest Request() const;
    // Asks the service (the "Pokaż" button).
    void Run();

    // Asked and not yet answered.
    bool IsRunning() const { return running_; }
    bool HasResult() const { return hasResult_; }
    const SummaryResult &Result() const { return result_; }
    SummaryMeasure Measure() const;
    QChartView *ChartView() const { return chartView_; }

    // The chart of the current result laid out for `target` (a printout, a picture).
    void RenderChart(QPainter *painter, const QRectF &target) const;
    QImage RenderChart(QSize size) const;

  signals:
    void printRequested(const SummaryResult &result, SummaryMeasure measure);
    void pdfRequested(const SummaryResult &result, SummaryMeasure measure);
    void xlsxRequested(const SummaryResult &result, SummaryMeasure measure);
    void copyRequested(const SummaryResult &result, SummaryMeasure measure);

  private:
    QWidget *BuildSource();
    QWidget *BuildPeriod();
    QWidget *BuildGrouping();
    QWidget *BuildResultArea();
    QWidget *BuildOutputButtons();
    void ShowResult(const SummaryResult &result);
    void ShowFailure(const QString &message);
    void ShowChart();
    void FitColumns();
    void SetOutputsEnabled(bool enabled);

    SummaryService &service_;
    const Clock *clock_;
    int shownTable_ = 1;
    bool running_ = false;
    bool hasResult_ = false;
    SummaryResult result_;

    QRadioButton *shownTableButton_ = nullptr;
    QRadioButton *allTablesButton_ = nullptr;
    QCheckBox *onlyFiltered_ = nullptr;
    QDateEdit *from_;
    QDateEdit *to_;
    QComboBox *first_;
    QComboBox *second_;
    QComboBox *measure_;
    QPushButton *run_;
    QLabel *state_;
    SummaryTableModel *rows_;
    SummaryTableModel *total_;
    SummarySortProxy *sorted_;
    QTableView *table_;
    QTableView *totalView_;
    QLabel *skipped_;
    QChartView *chartView_;
    QList<QPushButton *> outputs_;
};
