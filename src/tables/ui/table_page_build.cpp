// Building one page of the tables: its tool bar, caption panel and list,
// and the wiring of the list to its MeasurementTable.

#include "tables/ui/table_pages.h"

#include "core/ui/drawn_icon.h"
#include "tables/measurement_model.h"
#include "tables/measurement_table.h"
#include "tables/table_set.h"
#include "tables/ui/measurement_view.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

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

}  // namespace

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
