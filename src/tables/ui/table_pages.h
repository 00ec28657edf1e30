#pragma once

// The tables' part of the main window: the page control PCdata with the pages
// TS1..TS5, each with its tool bar, caption panel P1..P5 and list LVdata1..5.
// It keeps the views in step with the five MeasurementTables, routes marking
// to the marking rules, computes the totals and runs the archive buttons.

#include "tables/archive_actions.h"
#include "tables/data_filter.h"
#include "tables/table_storage.h"
#include "tables/totals.h"

#include <QIcon>
#include <QWidget>
#include <array>
#include <functional>
#include <optional>

class Clock;
class MeasurementModel;
class MeasurementTable;
class MeasurementView;
class QLabel;
class QMenu;
class QTabWidget;
class QToolButton;
class TableSet;
class DeleteModeDialog;
class UserPrompts;
struct ProgramConfig;

// What the pages work with; all owned by the main window and alive as long as the pages.
struct TablesEnvironment {
    TableSet *tables = nullptr;
    ProgramConfig *config = nullptr;  // options, widths, font, unit, table params, archive folder
    DataFilter *filter = nullptr;
    QString dataDir;                  // DataDir
    QString workDir;                  // a relative Katalog_archiwum is taken from here; empty = current directory
    const Clock *clock = nullptr;
    UserPrompts *prompts = nullptr;
    std::function<int()> massDecimals;  // MassDecimals of the current reading; null = 2
};

class TablePages : public QWidget {
    Q_OBJECT
public:
    explicit TablePages(TablesEnvironment env, QWidget *parent = nullptr);
    ~TablePages() override;

    QTabWidget *PageControl() const { return pages_; }
    MeasurementView *View(int number) const { return views_[size_t(number - 1)]; }
    MeasurementModel *Model(int number) const { return models_[size_t(number - 1)]; }
    QLabel *Panel(int number) const { return panels_[size_t(number - 1)]; }

    int ActiveTableNumber() const;
    MeasurementTable &ActiveTable() const;
    MeasurementView *ActiveView() const { return View(ActiveTableNumber()); }
    void SetActiveTable(int number);
    const TableStorage &Storage() const { return storage_; }
    // The weighing journal hears of every write of the working files.
    void SetWriteHook(TableWriteHook *hook) { storage_.SetWriteHook(hook); }
    // The context menu of a row ("Historia pomiaru...").
    QMenu *RowMenu() const { return rowMenu_; }
    // ArchiveDir from Katalog_archiwum, with '/' and a final '/'.
    QString ArchiveDir() const;

    // Settings applied to the pages: panels, column widths, table font, tab captions.
    void ApplyConfig();
    void ApplyPanels();
    void ApplyColumnWidths();
    void ApplyTableFont();
    void RefreshTableCaptions();

    // Load all (start-up, filter change): every table from its working file
    // with the filter, then captions and totals. Errors are shown.
    void LoadAllTables();

    // Totals of the ActiveTable and the tab images; emits totalsChanged.
    void RefreshTotals();
    const Totals &CurrentTotals() const { return totals_; }

    // SBselectallClick, SBselectdownClick.
    void MarkAll();
    void MarkDown();

    // The archive buttons (already connected to TBreadtableN, TBsavetableN, TBdeletetableN).
    void SaveTableToArchive();
    void ReadTableFromArchive();
    void DeleteTableData();
    DeleteModeDialog *DeleteModeWindow();
    // Tests replace the window's question; null = the window.
    void SetDeleteChooser(std::function<std::optional<DeleteChoice>()> chooser);

    // Highlights `row` of the ActiveTable and scrolls it into view.
    void SelectRow(int row);
    void FocusList();
    void ScrollList(int dy);

    // Images of the tabs: 0 for the ActiveTable, 1 for the others. Made once:
    // a new icon per refresh would leave a new entry in Qt's pixmap cache
    // each time (the totals are refreshed at every reading of a load).
    const QIcon &TabIcon(int image) const { return tabIcons_[image == 0 ? 0 : 1]; }

signals:
    void activeTableChanged(int number);
    void totalsChanged();
    // Tool buttons. Read, save and delete are run here; the others are the main window's.
    void paramsClicked();
    void readClicked();
    void saveClicked();
    void deleteClicked();
    void printClicked();
    // The context menu of a "Drukuj tabelę" button, at this screen position.
    void printMenuRequested(const QPoint &globalPos);
    void copyClicked();
    void excelClicked();
    // Keys and mouse on the active list: Enter, Delete, a double click on a row.
    void listEnterPressed();
    void listDeletePressed();
    void listDoubleClicked();
    // "Historia pomiaru..." on a row's context menu; that row is current.
    void historyRequested();
    // Rows of table `number` were replaced by reading an archive or deleting data.
    void tableDataChanged(int number);

private:
    static constexpr int kCheckColumnWidth = 22;

    QWidget *BuildPage(int number);
    QToolButton *AddToolButton(QWidget *bar, const QString &name, const QString &hint, const QIcon &icon);
    void OnRowReleased(int number, int row, bool checkBoxHit);
    void OnSpaceReleased(int number);
    void OnTabChanged(int index);
    void SyncViewToCurrentRow(int number, int row);
    void AfterArchiveAction(bool changed);
    // Sets the tab images for the ActiveTable, when it is not the one they show already.
    void ApplyTabImages();
    // Runs `work` with the busy cursor shown and the active list hidden
    // (loading the tables, reading an archive); both are back afterwards.
    void WhileBusy(const std::function<void()> &work);
    ArchiveContext MakeContext();
    UserPrompts &Prompts() const;

    TablesEnvironment env_;
    TableStorage storage_;
    QTabWidget *pages_;
    std::array<MeasurementView *, 5> views_{};
    std::array<MeasurementModel *, 5> models_{};
    std::array<QLabel *, 5> panels_{};
    Totals totals_;
    DeleteModeDialog *deleteMode_ = nullptr;
    QMenu *rowMenu_ = nullptr;
    std::function<std::optional<DeleteChoice>()> deleteChooser_;
    bool syncing_ = false;
    std::array<QIcon, 2> tabIcons_;
    int tabImagesFor_ = 0;  // the table whose tab shows image 0
    QString lastTotalsError_;  // shown already; cleared once the totals add up again
};

// Writes the totals into the labels Ldisp_etyk_sum_g, _sum_n, _sum_tare,
// Ldisp_etyk_num and Ldisp_etyk_value found below `root` (the group GBdrukuj).
void ShowTotals(QWidget *root, const Totals &totals);
