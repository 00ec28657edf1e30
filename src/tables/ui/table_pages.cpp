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
#include "tables/ui/delete_mode_dialog.h"
#include "tables/ui/measurement_view.h"
#include "tables/ui/panel_colours.h"

#include <QApplication>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <utility>

namespace {

constexpr int kCheckColumnWidth = 22;

QIcon PrintIcon()
{
    return DrawnIcon([](QPainter &p) {
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(Qt::white);
        p.drawRect(4, 1, 8, 5);
        p.setBrush(QColor(160, 160, 160));
        p.drawRect(1, 6, 14, 6);
        p.setBrush(Qt::white);
        p.drawRect(4, 10, 8, 5);
    });
}

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

QIcon ExcelIcon()
{
    return DrawnIcon([](QPainter &p) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(16, 124, 65));
        p.drawRect(1, 1, 14, 14);
        p.setPen(QPen(Qt::white, 2));
        p.drawLine(4, 4, 11, 11);
        p.drawLine(11, 4, 4, 11);
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

QWidget *TablePages::BuildPage(int number)
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("TS%1").arg(number));

    auto *bar = new QToolBar(page);
    bar->setObjectName(QStringLiteral("ToolBar%1").arg(number));
    bar->setIconSize(QSize(16, 16));
    QStyle *st = style();
    const QString n = QString::number(number);
    connect(AddToolButton(bar, "TBparams" + n, QStringLiteral("Ustaw domyślne parametry tabeli"),
                          st->standardIcon(QStyle::SP_FileDialogDetailedView)),
            &QToolButton::clicked, this, &TablePages::paramsClicked);
    connect(AddToolButton(bar, "TBreadtable" + n, QStringLiteral("Otwórz tabelę z pliku archiwum"),
                          st->standardIcon(QStyle::SP_DialogOpenButton)),
            &QToolButton::clicked, this, [this] {
                emit readClicked();
                ReadTableFromArchive();
            });
    connect(AddToolButton(bar, "TBsavetable" + n, QStringLiteral("Zapisz tabelę do pliku archiwum"),
                          st->standardIcon(QStyle::SP_DialogSaveButton)),
            &QToolButton::clicked, this, [this] {
                emit saveClicked();
                SaveTableToArchive();
            });
    connect(AddToolButton(bar, "TBdeletetable" + n, QStringLiteral("Usuń dane z tabeli"),
                          st->standardIcon(QStyle::SP_TrashIcon)),
            &QToolButton::clicked, this, [this] {
                emit deleteClicked();
                DeleteTableData();
            });
    bar->addSeparator();
    QToolButton *print = AddToolButton(bar, "TBprinttable" + n, QStringLiteral("Drukuj tabelę"), PrintIcon());
    connect(print, &QToolButton::clicked, this, &TablePages::printClicked);
    // The preview is offered on the button's context menu.
    print->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(print, &QWidget::customContextMenuRequested, this,
            [this, print](const QPoint &at) { emit printMenuRequested(print->mapToGlobal(at)); });
    connect(AddToolButton(bar, "TBcopytable" + n, QStringLiteral("Kopiuj tabelę do schowka"), CopyIcon()),
            &QToolButton::clicked, this, &TablePages::copyClicked);
    connect(AddToolButton(bar, "TBexcel" + n, QStringLiteral("Zapisz tabelę do pliku Excel"), ExcelIcon()),
            &QToolButton::clicked, this, &TablePages::excelClicked);

    auto *panel = new QLabel(page);
    panel->setObjectName(QStringLiteral("P%1").arg(number));
    panel->setAutoFillBackground(true);
    panel->setAlignment(Qt::AlignCenter);
    panel->setTextFormat(Qt::PlainText);
    QFont panelFont(QStringLiteral("Arial"));
    panelFont.setBold(true);
    panelFont.setPixelSize(15);
    panel->setFont(panelFont);
    panel->setMinimumHeight(26);
    panel->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    panels_[size_t(number - 1)] = panel;

    MeasurementTable &table = env_.tables->Table(number);
    // While rows go, the list moves its current index to a neighbour; the
    // table's own CurrentRow decides (connected before the model on purpose).
    connect(&table, &MeasurementTable::aboutToRemoveRows, this, [this] { syncing_ = true; });
    connect(&table, &MeasurementTable::rowsRemoved, this, [this] { syncing_ = false; });
    auto *view = new MeasurementView(page);
    view->setObjectName(QStringLiteral("LVdata%1").arg(number));
    auto *model = new MeasurementModel(table, view);
    view->setModel(model);
    view->horizontalHeader()->setMinimumSectionSize(0);
    view->horizontalHeader()->resizeSection(MeasurementModel::kCheckColumn, kCheckColumnWidth);
    view->horizontalHeader()->setSectionResizeMode(MeasurementModel::kCheckColumn, QHeaderView::Fixed);
    views_[size_t(number - 1)] = view;
    models_[size_t(number - 1)] = model;

    connect(view, &MeasurementView::rowReleased, this,
            [this, number](int row, bool hit) { OnRowReleased(number, row, hit); });
    connect(view, &MeasurementView::spaceReleased, this, [this, number] { OnSpaceReleased(number); });
    // A right click makes its row current and offers the row's menu.
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view, &QWidget::customContextMenuRequested, this, [this, view, number](const QPoint &at) {
        const QModelIndex index = view->indexAt(at);
        if (!index.isValid())
            return;
        env_.tables->Table(number).SetCurrentRow(index.row());
        rowMenu_->popup(view->viewport()->mapToGlobal(at));
    });
    connect(view, &MeasurementView::enterPressed, this, &TablePages::listEnterPressed);
    connect(view, &MeasurementView::deletePressed, this, &TablePages::listDeletePressed);
    connect(view, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex &index) {
        if (index.isValid())
            emit listDoubleClicked();
    });
    connect(view->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this, number](const QModelIndex &current) {
                if (syncing_)
                    return;
                env_.tables->Table(number).SetCurrentRow(current.isValid() ? current.row() : -1);
            });
    connect(&table, &MeasurementTable::currentRowChanged, this,
            [this, number](int row) { SyncViewToCurrentRow(number, row); });

    auto *top = new QHBoxLayout;
    top->setContentsMargins(0, 0, 0, 0);
    top->setSpacing(2);
    top->addWidget(bar);
    top->addWidget(panel, 1);
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    layout->addLayout(top);
    layout->addWidget(view, 1);
    return page;
}

QToolButton *TablePages::AddToolButton(QWidget *bar, const QString &name, const QString &hint, const QIcon &icon)
{
    auto *button = new QToolButton(bar);
    button->setObjectName(name);
    button->setIcon(icon);
    button->setToolTip(hint);
    button->setAccessibleName(hint);
    button->setAutoRaise(true);
    static_cast<QToolBar *>(bar)->addWidget(button);
    return button;
}

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

QString TablePages::ArchiveDir() const
{
    const QString dir = ArchiveDirFromSetting(env_.config->archiveDir);
    if (env_.workDir.isEmpty() || dir.isEmpty() || !QDir::isRelativePath(dir))
        return dir;
    return QDir(env_.workDir).filePath(dir) + (dir.endsWith(QLatin1Char('/')) ? QString() : QStringLiteral("/"));
}

ArchiveContext TablePages::MakeContext()
{
    return ArchiveContext{ActiveTable(), storage_, ArchiveDir(), *env_.filter, *env_.clock, Prompts(),
                          [this](const std::function<void()> &work) { WhileBusy(work); }};
}

void TablePages::AfterArchiveAction(bool changed)
{
    RefreshTableCaptions();
    RefreshTotals();
    if (changed)
        emit tableDataChanged(ActiveTableNumber());
}

void TablePages::SaveTableToArchive()
{
    ArchiveContext ctx = MakeContext();
    ::SaveTableToArchive(ctx);
}

void TablePages::ReadTableFromArchive()
{
    ArchiveContext ctx = MakeContext();
    AfterArchiveAction(::ReadTableFromArchive(ctx));
}

DeleteModeDialog *TablePages::DeleteModeWindow()
{
    if (!deleteMode_)
        deleteMode_ = new DeleteModeDialog(this);
    return deleteMode_;
}

void TablePages::SetDeleteChooser(std::function<std::optional<DeleteChoice>()> chooser)
{
    deleteChooser_ = std::move(chooser);
}

void TablePages::DeleteTableData()
{
    const std::optional<DeleteChoice> choice = deleteChooser_ ? deleteChooser_() : DeleteModeWindow()->Ask();
    if (!choice)
        return;
    ArchiveContext ctx = MakeContext();
    AfterArchiveAction(::DeleteTableData(ctx, *choice));
}

void ShowTotals(QWidget *root, const Totals &totals)
{
    if (!root)
        return;
    for (const TotalsLabel &l : TotalsLabels())
        if (auto *label = root->findChild<QLabel *>(QString::fromLatin1(l.name)))
            label->setText(totals.TextFor(QString::fromLatin1(l.name)));
}
