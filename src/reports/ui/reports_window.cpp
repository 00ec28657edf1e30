#include "reports/ui/reports_window.h"

#include "core/clock.h"
#include "reports/summary_period.h"
#include "reports/ui/summary_chart.h"
#include "reports/ui/summary_table_model.h"

#include <QButtonGroup>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>

namespace {

const SystemClock systemClock;

struct QuickButton {
    QuickChoice choice;
    const char *name;
};

const QuickButton quickButtons[] = {
    {QuickChoice::Today, "BBdzis"},
    {QuickChoice::Yesterday, "BBwczoraj"},
    {QuickChoice::ThisWeek, "BBtydzien"},
    {QuickChoice::ThisMonth, "BBmiesiac"},
    {QuickChoice::PreviousMonth, "BBpoprzedni"},
    {QuickChoice::ThisYear, "BBrok"},
};

QDateEdit *MakeDateEdit(const char *name, const QString &accessible, QWidget *parent)
{
    auto *edit = new QDateEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    edit->setCalendarPopup(true);
    edit->setAccessibleName(accessible);
    return edit;
}

QTableView *MakeTableView(const char *name, QWidget *parent)
{
    auto *view = new QTableView(parent);
    view->setObjectName(QString::fromLatin1(name));
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->verticalHeader()->hide();
    view->setWordWrap(false);
    return view;
}

} // namespace

ReportsWindow::ReportsWindow(SummaryService &service, const Clock *clock, QWidget *parent)
    : QWidget(parent, Qt::Window), service_(service), clock_(clock ? clock : &systemClock)
{
    setObjectName(QStringLiteral("TFzestawienia"));
    setWindowTitle(QStringLiteral("Zestawienia"));
    resize(1280, 700);

    auto *controls = new QHBoxLayout;
    if (service_.IsStation())
        controls->addWidget(BuildSource());
    controls->addWidget(BuildPeriod());
    controls->addWidget(BuildGrouping(), 1);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addWidget(BuildResultArea(), 1);
    layout->addWidget(BuildOutputButtons());

    connect(&service_, &SummaryService::finished, this, &ReportsWindow::ShowResult);
    connect(&service_, &SummaryService::failed, this, &ReportsWindow::ShowFailure);
    SetOutputsEnabled(false);
}

ReportsWindow::~ReportsWindow() = default;

QWidget *ReportsWindow::BuildSource()
{
    auto *box = new QGroupBox(QStringLiteral("Źródło"), this);
    box->setObjectName(QStringLiteral("GBzrodlo"));
    shownTableButton_ = new QRadioButton(QStringLiteral("Pokazana tabela"), box);
    shownTableButton_->setObjectName(QStringLiteral("RBpokazana"));
    shownTableButton_->setChecked(true);
    allTablesButton_ = new QRadioButton(QStringLiteral("Wszystkie tabele"), box);
    allTablesButton_->setObjectName(QStringLiteral("RBwszystkie"));
    auto *group = new QButtonGroup(box);
    group->addButton(shownTableButton_);
    group->addButton(allTablesButton_);
    onlyFiltered_ = new QCheckBox(QStringLiteral("Tylko pomiary widoczne w filtrze"), box);
    onlyFiltered_->setObjectName(QStringLiteral("CBfiltr"));
    auto *layout = new QVBoxLayout(box);
    layout->addWidget(shownTableButton_);
    layout->addWidget(allTablesButton_);
    layout->addWidget(onlyFiltered_);
    layout->addStretch();
    return box;
}

QWidget *ReportsWindow::BuildPeriod()
{
    auto *box = new QGroupBox(QStringLiteral("Okres"), this);
    box->setObjectName(QStringLiteral("GBokres"));
    from_ = MakeDateEdit("DEod", QStringLiteral("Od"), box);
    to_ = MakeDateEdit("DEdo", QStringLiteral("Do"), box);
    const QDate today = clock_->Now().date();
    from_->setDate(QDate(today.year(), today.month(), 1));
    to_->setDate(QDate(today.year(), today.month(), today.daysInMonth()));
    // A period never runs backwards: moving one end past the other takes the other along.
    connect(from_, &QDateEdit::dateChanged, this, [this](QDate d) {
        if (to_->date() < d)
            to_->setDate(d);
    });
    connect(to_, &QDateEdit::dateChanged, this, [this](QDate d) {
        if (from_->date() > d)
            from_->setDate(d);
    });

    auto *dates = new QFormLayout;
    dates->addRow(QStringLiteral("Od:"), from_);
    dates->addRow(QStringLiteral("Do:"), to_);
    auto *quick = new QGridLayout;
    int i = 0;
    for (const QuickButton &q : quickButtons) {
        auto *button = new QPushButton(QuickChoiceName(q.choice), box);
        button->setObjectName(QString::fromLatin1(q.name));
        const QuickChoice choice = q.choice;
        connect(button, &QPushButton::clicked, this, [this, choice] {
            const auto period = QuickPeriod(choice, clock_->Now().date());
            // Both ends at once, so that the pair never pushes the other end.
            from_->blockSignals(true);
            to_->blockSignals(true);
            from_->setDate(period.first);
            to_->setDate(period.second);
            from_->blockSignals(false);
            to_->blockSignals(false);
        });
        quick->addWidget(button, i / 2, i % 2);
        ++i;
    }
    auto *layout = new QHBoxLayout(box);
    layout->addLayout(dates);
    layout->addLayout(quick);
    return box;
}

QWidget *ReportsWindow::BuildGrouping()
{
    auto *box = new QGroupBox(QStringLiteral("Grupowanie"), this);
    box->setObjectName(QStringLiteral("GBgrupowanie"));
    first_ = new QComboBox(box);
    first_->setObjectName(QStringLiteral("CBgrupa1"));
    second_ = new QComboBox(box);
    second_->setObjectName(QStringLiteral("CBgrupa2"));
    second_->addItem(SummaryKeyName(SummaryKey::None), QVariant::fromValue(int(SummaryKey::None)));
    for (SummaryKey key : service_.Keys()) {
        if (key == SummaryKey::None)
            continue;
        first_->addItem(SummaryKeyName(key), int(key));
        second_->addItem(SummaryKeyName(key), int(key));
    }
    const int day = first_->findData(int(SummaryKey::Day));
    first_->setCurrentIndex(day >= 0 ? day : 0);
    measure_ = new QComboBox(box);
    measure_->setObjectName(QStringLiteral("CBmiara"));
    for (SummaryMeasure m : SummaryMeasures())
        measure_->addItem(SummaryMeasureName(m), int(m));
    measure_->setCurrentIndex(measure_->findData(int(SummaryMeasure::Net)));
    // Another measure only redraws the chart; the summary itself stays.
    connect(measure_, &QComboBox::currentIndexChanged, this, [this] { ShowChart(); });

    run_ = new QPushButton(QStringLiteral("Pokaż"), box);
    run_->setObjectName(QStringLiteral("BBpokaz"));
    run_->setDefault(true);
    connect(run_, &QPushButton::clicked, this, &ReportsWindow::Run);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Grupuj według:"), first_);
    form->addRow(QStringLiteral("następnie:"), second_);
    form->addRow(QStringLiteral("Wykres:"), measure_);
    auto *layout = new QVBoxLayout(box);
    layout->addLayout(form);
    layout->addWidget(run_);
    layout->addStretch();
    return box;
}

QWidget *ReportsWindow::BuildResultArea()
{
    auto *splitter = new QSplitter(Qt::Horizontal, this);
    auto *left = new QWidget(splitter);
    state_ = new QLabel(left);
    state_->setObjectName(QStringLiteral("Lstan"));
    state_->setWordWrap(true);
    state_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    rows_ = new SummaryTableModel(SummaryTableModel::Part::Rows, this);
    total_ = new SummaryTableModel(SummaryTableModel::Part::Total, this);
    sorted_ = new SummarySortProxy(this);
    sorted_->setSourceModel(rows_);
    table_ = MakeTableView("TVzestawienie", left);
    table_->setModel(sorted_);
    table_->setAccessibleName(QStringLiteral("Zestawienie"));
    table_->setSortingEnabled(true);
    // The summary's own order (time, collation) until a header is clicked.
    table_->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    sorted_->sort(-1);

    // The total row lives in a view of its own under the table, outside the sort.
    totalView_ = MakeTableView("TVrazem", left);
    totalView_->setModel(total_);
    totalView_->setAccessibleName(QStringLiteral("Razem"));
    totalView_->horizontalHeader()->hide();
    totalView_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    totalView_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    totalView_->setFocusPolicy(Qt::NoFocus);
    totalView_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    totalView_->setFixedHeight(totalView_->verticalHeader()->defaultSectionSize() + 2 * totalView_->frameWidth());
    connect(table_->horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int section, int, int size) { totalView_->horizontalHeader()->resizeSection(section, size); });
    connect(table_->horizontalScrollBar(), &QScrollBar::valueChanged, totalView_->horizontalScrollBar(),
            &QScrollBar::setValue);

    skipped_ = new QLabel(left);
    skipped_->setObjectName(QStringLiteral("Lpominiete"));
    skipped_->setWordWrap(true);
    skipped_->hide();

    auto *leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->setSpacing(0);
    leftLayout->addWidget(state_);
    leftLayout->addSpacing(4);
    leftLayout->addWidget(table_, 1);
    leftLayout->addWidget(totalView_);
    leftLayout->addSpacing(4);
    leftLayout->addWidget(skipped_);

    chartView_ = new QChartView(splitter);
    chartView_->setObjectName(QStringLiteral("CHwykres"));
    chartView_->setAccessibleName(QStringLiteral("Wykres"));
    chartView_->setRenderHint(QPainter::Antialiasing);
    chartView_->setMinimumWidth(280);
    splitter->addWidget(left);
    splitter->addWidget(chartView_);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({700, 560});
    return splitter;
}

QWidget *ReportsWindow::BuildOutputButtons()
{
    auto *row = new QWidget(this);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addStretch();
    const struct {
        const char *name;
        QString text;
        void (ReportsWindow::*signal)(const SummaryResult &, SummaryMeasure);
    } buttons[] = {
        {"BBdrukuj", QStringLiteral("Drukuj..."), &ReportsWindow::printRequested},
        {"BBpdf", QStringLiteral("PDF..."), &ReportsWindow::pdfRequested},
        {"BBexcel", QStringLiteral("Excel..."), &ReportsWindow::xlsxRequested},
        {"BBkopiuj", QStringLiteral("Kopiuj"), &ReportsWindow::copyRequested},
    };
    for (const auto &b : buttons) {
        auto *button = new QPushButton(b.text, row);
        button->setObjectName(QString::fromLatin1(b.name));
        const auto signal = b.signal;
        connect(button, &QPushButton::clicked, this, [this, signal] {
            if (hasResult_)
                emit(this->*signal)(result_, Measure());
        });
        layout->addWidget(button);
        outputs_.append(button);
    }
    return row;
}

void ReportsWindow::SetShownTable(int table)
{
    shownTable_ = table;
}

SummaryRequest ReportsWindow::Request() const
{
    SummaryRequest r;
    r.from = from_->date();
    r.to = to_->date();
    r.first = SummaryKey(first_->currentData().toInt());
    r.second = SummaryKey(second_->currentData().toInt());
    // Grouping twice by the same key says nothing more than once.
    if (r.second == r.first)
        r.second = SummaryKey::None;
    r.shownTable = shownTable_;
    if (service_.IsStation()) {
        r.allTables = allTablesButton_->isChecked();
        r.onlyFiltered = onlyFiltered_->isChecked();
    }
    return r;
}

void ReportsWindow::Run()
{
    running_ = true;
    state_->setStyleSheet(QString());
    state_->setText(QStringLiteral("Liczę..."));
    // The service may answer at once, inside Start().
    service_.Start(Request());
}

SummaryMeasure ReportsWindow::Measure() const
{
    return SummaryMeasure(measure_->currentData().toInt());
}

void ReportsWindow::ShowResult(const SummaryResult &result)
{
    running_ = false;
    // The user's sort survives another period, not other columns.
    if (!hasResult_ || result.request.first != result_.request.first ||
        result.request.second != result_.request.second) {
        table_->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
        sorted_->sort(-1);
    }
    result_ = result;
    hasResult_ = true;
    state_->setStyleSheet(QString());
    state_->clear();
    rows_->SetResult(result_);
    total_->SetResult(result_);
    FitColumns();
    const QString skipped = result_.SkippedText();
    skipped_->setText(skipped);
    skipped_->setVisible(!skipped.isEmpty());
    ShowChart();
    SetOutputsEnabled(true);
}

void ReportsWindow::ShowFailure(const QString &message)
{
    running_ = false;
    // What is shown no longer answers the question asked: clear it rather than mislead.
    hasResult_ = false;
    result_ = SummaryResult();
    rows_->Clear();
    total_->Clear();
    skipped_->hide();
    ShowChart();
    SetOutputsEnabled(false);
    state_->setStyleSheet(QStringLiteral("color: #b00000;"));
    state_->setText(message);
}

void ReportsWindow::ShowChart()
{
    QChart *old = chartView_->chart();
    if (hasResult_) {
        chartView_->setChart(MakeSummaryChart(result_, Measure()));
    } else {
        auto *empty = new QChart;
        empty->legend()->hide();
        chartView_->setChart(empty);
    }
    // The view lets go of its previous chart without deleting it.
    delete old;
}

void ReportsWindow::FitColumns()
{
    table_->resizeColumnsToContents();
    totalView_->resizeColumnsToContents();
    for (int c = 0; c < rows_->columnCount(); ++c) {
        const int w = std::max(table_->columnWidth(c), totalView_->columnWidth(c));
        table_->setColumnWidth(c, w);
        totalView_->setColumnWidth(c, w);
    }
}

void ReportsWindow::SetOutputsEnabled(bool enabled)
{
    for (QPushButton *b : outputs_)
        b->setEnabled(enabled);
}

void ReportsWindow::RenderChart(QPainter *painter, const QRectF &target) const
{
    if (!hasResult_ || !painter || target.isEmpty())
        return;
    // Laid out at a screen's size and scaled to the target, so that the
    // letters keep their proportion on a printer's fine pixels too.
    const QSizeF logical(900.0, 900.0 * target.height() / target.width());
    QGraphicsScene scene;
    QChart *chart = MakeSummaryChart(result_, Measure());
    scene.addItem(chart);
    chart->setGeometry(QRectF(QPointF(0, 0), logical));
    if (chart->layout())
        chart->layout()->activate();
    scene.render(painter, target, QRectF(QPointF(0, 0), logical), Qt::KeepAspectRatio);
}

QImage ReportsWindow::RenderChart(QSize size) const
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    RenderChart(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return image;
}
