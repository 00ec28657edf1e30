#include "tables/ui/table_pages.h"

#include "core/ui/drawn_icon.h"
#include "core/clock.h"
#include "core/cp1250.h"
#include "core/program_config.h"
#include "core/user_prompts.h"
#include "tables/marking.h"
#include "tables/measurement_model.h"
#include "tables/measurement_table.h"
#include "tables/table_set.h"
#include "tables/ui/measurement_view.h"
#include "tables/ui/panel_colours.h"

#include <QApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include <utility>

namespace {

QIcon DrawTabIcon(int image)
{
    return DrawnIcon([image](QPainter &p) {
        if (image == 0) {
            p.setPen(QPen(QColor(0, 90, 0), 1));
            p.setBrush(QColor(40, 170, 40));
        } else {
            p.setPen(QPen(QColor(120, 120, 120), 1));
            p.setBrush(Qt::NoBrush);
        }
        p.drawEllipse(QRectF(3.5, 3.5, 9, 9));
    });
}

// '&' in a tab caption is shown, not taken as a mnemonic.
QString TabText(const QByteArray &caption)
{
    return cp1250::Decode(caption).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

}  // namespace

TablePages::TablePages(TablesEnvironment env, QWidget *parent)
    : QWidget(parent), env_(std::move(env)), storage_(env_.dataDir)
{
    rowMenu_ = new QMenu(this);
    rowMenu_->setObjectName(QStringLiteral("PMwiersz"));
    QAction *history = rowMenu_->addAction(QStringLiteral("Historia pomiaru..."));
    history->setObjectName(QStringLiteral("MIhistoria"));
    history->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    connect(history, &QAction::triggered, this, &TablePages::historyRequested);
    pages_ = new QTabWidget(this);
    pages_->setObjectName(QStringLiteral("PCdata"));
    for (int n = 1; n <= kTableCount; ++n)
        pages_->addTab(BuildPage(n), QString());
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(pages_);
    pages_->setCurrentIndex(env_.tables->ActiveNumber() - 1);
    connect(pages_, &QTabWidget::currentChanged, this, &TablePages::OnTabChanged);
    ApplyConfig();
    tabIcons_ = {DrawTabIcon(0), DrawTabIcon(1)};
    ApplyTabImages();
}

TablePages::~TablePages() = default;

void TablePages::ApplyTabImages()
{
    if (tabImagesFor_ == ActiveTableNumber())
        return;
    tabImagesFor_ = ActiveTableNumber();
    for (int n = 1; n <= kTableCount; ++n)
        pages_->setTabIcon(n - 1, TabIcon(TabImage(n, tabImagesFor_)));
}

int TablePages::ActiveTableNumber() const
{
    return env_.tables->ActiveNumber();
}

MeasurementTable &TablePages::ActiveTable() const
{
    return env_.tables->Active();
}

void TablePages::SetActiveTable(int number)
{
    if (number >= 1 && number <= kTableCount)
        pages_->setCurrentIndex(number - 1);
}

void TablePages::OnTabChanged(int index)
{
    env_.tables->SetActiveNumber(index + 1);
    RefreshTotals();
    emit activeTableChanged(index + 1);
}

void TablePages::ApplyConfig()
{
    ApplyPanels();
    ApplyColumnWidths();
    ApplyTableFont();
    RefreshTableCaptions();
}

void TablePages::ApplyPanels()
{
    const auto &tables = env_.config->tables;
    // One colour that is not a number puts every panel on the default colours.
    bool valid = true;
    for (const TableParams &p : tables)
        valid = valid && ColourFromSetting(p.fields[TableParams::PanelColour], palette()) &&
                ColourFromSetting(p.fields[TableParams::PanelFontColour], palette());
    for (int n = 1; n <= kTableCount; ++n) {
        const TableParams &params = tables[size_t(n - 1)];
        QLabel *panel = Panel(n);
        panel->setText(cp1250::Decode(params.PanelText()));
        const QByteArray bg = valid ? params.fields[TableParams::PanelColour] : QByteArray(TableParams::kDefaultPanelColour);
        const QByteArray fg =
            valid ? params.fields[TableParams::PanelFontColour] : QByteArray(TableParams::kDefaultPanelFontColour);
        QPalette pal = panel->palette();
        pal.setColor(QPalette::Window, *ColourFromSetting(bg, palette()));
        pal.setColor(QPalette::WindowText, *ColourFromSetting(fg, palette()));
        panel->setPalette(pal);
    }
}

void TablePages::ApplyColumnWidths()
{
    // The window's focus, also while another window is active.
    QWidget *focus = window()->focusWidget();
    for (MeasurementView *view : views_) {
        // Hidden while its columns change, so it is laid out and drawn once.
        const bool wasHidden = view->isHidden();
        const bool hadFocus = focus && (focus == view || view->isAncestorOf(focus));
        view->hide();
        view->setColumnWidth(MeasurementModel::kCheckColumn, kCheckColumnWidth);
        for (int field = 0; field < ColumnCount; ++field) {
            const int column = MeasurementModel::ColumnOfField(field);
            const int width = qBound(0, env_.config->screenWidths[size_t(field)], 500);
            view->setColumnHidden(column, width == 0);
            if (width > 0)
                view->setColumnWidth(column, width);
        }
        if (!wasHidden)
            view->show();
        // Hiding passed the focus on; the list keeps it through a resize.
        if (hadFocus && !wasHidden)
            focus->setFocus(Qt::OtherFocusReason);
    }
}

void TablePages::ApplyTableFont()
{
    const QFont font(cp1250::Decode(env_.config->tableFontName), env_.config->tableFontSize);
    for (MeasurementView *view : views_) {
        view->setFont(font);
        view->ApplyRowHeight();
    }
}

void TablePages::RefreshTableCaptions()
{
    for (int n = 1; n <= kTableCount; ++n)
        pages_->setTabText(n - 1, TabText(TabCaption(env_.config->tables[size_t(n - 1)],
                                                     env_.tables->Table(n).RowCount())));
}

void TablePages::WhileBusy(const std::function<void()> &work)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    MeasurementView *view = ActiveView();
    const bool wasVisible = view->isVisible();
    view->hide();
    work();
    if (wasVisible)
        view->show();
    QApplication::restoreOverrideCursor();
}

void TablePages::LoadAllTables()
{
    QList<StorageResult> failures;
    WhileBusy([&] { failures = ::LoadAllTables(storage_, *env_.tables, *env_.filter); });
    // Errors are shown once the cursor and the list are back.
    for (const StorageResult &r : failures)
        ReportFailure(r, Prompts());
    RefreshTableCaptions();
    RefreshTotals();
}

void TablePages::RefreshTotals()
{
    const int decimals = env_.massDecimals ? env_.massDecimals() : 2;
    const Totals t = ComputeTotals(ActiveTable(), decimals, cp1250::Decode(env_.config->unit));
    if (!t.ok) {
        // Told once: the totals are refreshed at every reading of a load, and
        // the same cell would bring the same box back after every OK.
        const QString message = BadNumberMessage(t.badCell);
        if (std::exchange(lastTotalsError_, message) != message)
            Prompts().Error(message);
        return;
    }
    lastTotalsError_.clear();
    totals_ = t;
    ApplyTabImages();
    emit totalsChanged();
}

void TablePages::OnRowReleased(int number, int row, bool checkBoxHit)
{
    const MarkingOptions options{env_.config->simplifiedMarking, env_.config->singleOnLabel};
    if (MarkOnMouseRelease(env_.tables->Table(number), row, checkBoxHit, options))
        RefreshTotals();
}

void TablePages::OnSpaceReleased(int number)
{
    const MarkingOptions options{env_.config->simplifiedMarking, env_.config->singleOnLabel};
    if (MarkOnSpaceReleased(env_.tables->Table(number), options))
        RefreshTotals();
}

void TablePages::MarkAll()
{
    if (::MarkAll(ActiveTable(), {env_.config->simplifiedMarking, env_.config->singleOnLabel}))
        RefreshTotals();
}

void TablePages::MarkDown()
{
    if (::MarkDown(ActiveTable(), {env_.config->simplifiedMarking, env_.config->singleOnLabel}, Prompts()))
        RefreshTotals();
}

void TablePages::SyncViewToCurrentRow(int number, int row)
{
    MeasurementView *view = View(number);
    QItemSelectionModel *sel = view->selectionModel();
    const QModelIndex current = sel->currentIndex();
    if (row < 0) {
        if (current.isValid() || sel->hasSelection()) {
            syncing_ = true;
            sel->clear();
            syncing_ = false;
        }
        return;
    }
    if (current.isValid() && current.row() == row && sel->isRowSelected(row, {}))
        return;
    syncing_ = true;
    const int column = current.isValid() ? current.column() : MeasurementModel::ColumnOfField(0);
    sel->setCurrentIndex(Model(number)->index(row, column),
                         QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    syncing_ = false;
}

void TablePages::SelectRow(int row)
{
    ActiveTable().SetCurrentRow(row);
    if (row >= 0 && row < ActiveTable().RowCount())
        ActiveView()->scrollTo(Model(ActiveTableNumber())->index(row, 1));
}

void TablePages::FocusList()
{
    ActiveView()->setFocus();
}

void TablePages::ScrollList(int dy)
{
    MeasurementView *view = ActiveView();
    const int rowHeight = qMax(1, view->verticalHeader()->defaultSectionSize());
    QScrollBar *bar = view->verticalScrollBar();
    bar->setValue(bar->value() + dy / rowHeight);
}

UserPrompts &TablePages::Prompts() const
{
    return *env_.prompts;
}

void ShowTotals(QWidget *root, const Totals &totals)
{
    if (!root)
        return;
    for (const TotalsLabel &l : TotalsLabels())
        if (auto *label = root->findChild<QLabel *>(QString::fromLatin1(l.name)))
            label->setText(totals.TextFor(QString::fromLatin1(l.name)));
}
