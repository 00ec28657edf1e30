// The main window's part in the weighings: adding, the bottom bar's
// corrections, the table parameters, the filter and automatic adding. The
// rules live in WeighingActions, AutoAdd and the windows; this file wires them.

#include "app/ui/main_window.h"

#include "core/cp1250.h"
#include "core/number_forms.h"
#include "core/scale_work_prompts.h"
#include "dictionaries/dictionary_lookups.h"
#include "dictionaries/ui/customer_window.h"
#include "dictionaries/ui/dialog_pickers.h"
#include "dictionaries/ui/material_window.h"
#include "dictionaries/ui/operator_window.h"
#include "dictionaries/ui/packaging_window.h"
#include "journal/journal.h"
#include "journal/ui/weighing_history_window.h"
#include "journal/weighing_history.h"
#include "scale/ui/auto_add_window.h"
#include "scale/ui/tone_player.h"
#include "tables/measurement_record.h"
#include "tables/ui/filter_window.h"
#include "tables/ui/order_dialog.h"
#include "tables/ui/table_pages.h"
#include "tables/ui/table_params_window.h"
#include "tables/weighing_actions.h"

#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QShortcut>
#include <QTimer>
#include <QPushButton>
#include <QToolButton>

void MainWindow::CreateWeighingActions()
{
    pickers_ = std::make_unique<DialogPickers>(materials_, packagings_, customers_, operators_);
    orderDialog_ = new OrderDialog(this);
    paramsWindow_ = new TableParamsWindow(pickers_.get(), this);
    filterWindow_ = new FilterWindow(pickers_.get(), prompts_, clock_, this);
    autoAddWindow_ = new AutoAddWindow(prompts_, this);
    tone_ = new TonePlayer(this);

    WeighingEnvironment env;
    env.tables = &tables_;
    env.storage = &tablePages_->Storage();
    env.config = &config_;
    env.reading = &scaleInput_->Reading();
    env.prompts = prompts_;
    env.pickers = pickers_.get();
    env.clock = clock_;
    env.log = &log_;
    env.autoAdd = &autoAdding_;
    env.filter = &filter_;
    const QString dataDir = dataDir_;
    env.lookups.materialPrice = [dataDir](QByteArrayView m) { return MaterialPrice(dataDir, m); };
    env.lookups.materialDefaultPackaging = [dataDir](QByteArrayView m) {
        return MaterialDefaultPackaging(dataDir, m);
    };
    env.lookups.packagingTare = [dataDir](QByteArrayView p) { return PackagingTare(dataDir, p); };
    env.askOrder = [this](const QByteArray &order) { return orderDialog_->Ask(order); };
    env.isAdministrator = [this] { return IsAdministrator(currentOperator_); };
    env.view.focusList = [this] { tablePages_->FocusList(); };
    env.view.scrollList = [this](int dy) { tablePages_->ScrollList(dy); };
    env.view.refreshCaptions = [this] { tablePages_->RefreshTableCaptions(); };
    env.view.refreshTotals = [this] { tablePages_->RefreshTotals(); };
    env.view.busy = [](bool on) {
        if (on)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    };
    actions_ = std::make_unique<WeighingActions>(std::move(env));

    autoAdding_.beep = [this] { tone_->Play(); };
    ApplyAutoAddSettings();
    autoAdding_.Reset();
    ConnectWeighingActions();
    CreateHistoryWindow();
}

void MainWindow::ConnectWeighingActions()
{
    WeighingActions *a = actions_.get();
    const std::pair<const char *, void (WeighingActions::*)()> bar[] = {
        {"BBusun", &WeighingActions::DeleteRow},        {"BBmasa", &WeighingActions::EditGross},
        {"BBtara", &WeighingActions::EditTare},         {"BBprice", &WeighingActions::EditPrice},
        {"BBwz", &WeighingActions::EditOrder},          {"BBmaterial", &WeighingActions::EditMaterial},
        {"BBbox", &WeighingActions::EditPackaging},     {"BBwytop", &WeighingActions::EditOperator},
        {"BBklient", &WeighingActions::EditCustomer},
    };
    for (const auto &[name, action] : bar)
        connect(findChild<QPushButton *>(QString::fromLatin1(name)), &QPushButton::clicked, this,
                [a, action] { (a->*action)(); });
    connect(tablePages_, &TablePages::listEnterPressed, this, [a] { a->DoubleClick(); });
    connect(tablePages_, &TablePages::listDoubleClicked, this, [a] { a->DoubleClick(); });
    connect(tablePages_, &TablePages::listDeletePressed, this, [a] { a->DeleteKey(); });
    connect(tablePages_, &TablePages::paramsClicked, this, &MainWindow::TBparams1Click);
    connect(tablePages_, &TablePages::activeTableChanged, this, [this, a] {
        autoAdding_.NotePageChanged();
        a->EndLoad();
    });
    connect(findChild<QPushButton *>(QStringLiteral("BBfilter")), &QPushButton::clicked, this,
            &MainWindow::BBfilterClick);
    connect(autoAdd_, &QToolButton::clicked, this, &MainWindow::SBauto_dodajClick);

    // What a scale line starts shows its messages through ScaleWorkPrompts::Scope.
    ScaleWorkPrompts *scaleWork = scaleWorkPrompts_.get();
    connect(scaleInput_.get(), &ScaleInput::weighingRecord, this,
            [a, scaleWork](const QByteArray &number, const QByteArray &weight, bool newSeries) {
                const ScaleWorkPrompts::Scope work(*scaleWork);
                a->AddRecordRow(number, weight, newSeries);
            });
    scaleInput_->SetAutoAddDecider([this, a](const QByteArray &previous, double reading, bool moving) {
        const double p = ParseNumber(previous).value_or(0.0);
        const bool loaded = autoAdding_.Locked();
        const AutoAddAction action = autoAdding_.Decide(p, reading, tables_.Active().IsEmpty(), moving);
        // The load left the scale: its row is final.
        if (loaded && !autoAdding_.Locked())
            a->EndLoad();
        switch (action) {
        case AutoAddAction::Add:
            return ScaleInput::AutoAddDecision::Add;
        case AutoAddAction::Update:
            return ScaleInput::AutoAddDecision::Update;
        case AutoAddAction::None:
            break;
        }
        return ScaleInput::AutoAddDecision::None;
    });
    connect(scaleInput_.get(), &ScaleInput::addRequested, this, [this, scaleWork] {
        // Dropped while the window is not shown yet (start-up) and while the
        // login waits: nobody could be named as the operator. The lock stays.
        if (!isVisible() || operators_->Login().Pending())
            return;
        const ScaleWorkPrompts::Scope work(*scaleWork);
        AddWeighing(TableAction::AddAutomatic);
        autoAdding_.NoteAutomaticAddDone();
    });
    connect(scaleInput_.get(), &ScaleInput::updateLastRowRequested, this, [a, scaleWork] {
        const ScaleWorkPrompts::Scope work(*scaleWork);
        a->UpdateLastRow();
    });
}

// The one place the automatic-adding settings reach the decision, the
// decoder and the toggle button (at start and after the toggle).
void MainWindow::ApplyAutoAddSettings()
{
    autoAdding_.settings = {config_.autoAddMin, config_.autoAddDelta, config_.autoAddMode, config_.autoAddSound};
    scaleInput_->SetAutoAdd(config_.autoAdd, config_.autoAddMode);
    autoAdd_->setChecked(config_.autoAdd);
}

void MainWindow::BBdodajClick()
{
    AddWeighing(TableAction::AddButton);
}

void MainWindow::AddWeighing(TableAction via)
{
    actions_->AddWeighing(via);
    emit addWeighingRequested();
}

void MainWindow::CreateHistoryWindow()
{
    history_ = new WeighingHistoryWindow(this);
    connect(tablePages_, &TablePages::historyRequested, this, &MainWindow::ShowWeighingHistory);
    auto *shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_H), this);
    shortcut->setContext(Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, this, &MainWindow::ShowWeighingHistory);
    // An open history follows its weighing: read again once the journal has grown.
    for (int n = 1; n <= kTableCount; ++n) {
        MeasurementTable *t = &tables_.Table(n);
        connect(t, &MeasurementTable::rowsChanged, this, &MainWindow::ScheduleHistoryRefresh);
        connect(t, &MeasurementTable::rowsInserted, this, &MainWindow::ScheduleHistoryRefresh);
        connect(t, &MeasurementTable::rowsRemoved, this, &MainWindow::ScheduleHistoryRefresh);
        connect(t, &MeasurementTable::reset, this, &MainWindow::ScheduleHistoryRefresh);
    }
}

void MainWindow::ScheduleHistoryRefresh()
{
    if (!history_->isVisible() || historyRefreshDue_)
        return;
    historyRefreshDue_ = true;
    // Updates of a mode 1 load come many times a second and are no events.
    QTimer::singleShot(100, this, [this] {
        historyRefreshDue_ = false;
        const qint64 size = QFileInfo(journal_->Path()).size();
        if (history_->isVisible() && size != historyJournalSize_) {
            historyJournalSize_ = size;
            history_->Refresh();
        }
    });
}

void MainWindow::ShowWeighingHistory()
{
    MeasurementTable &t = tables_.Active();
    const int row = t.CurrentRow();
    if (row < 0 || row >= t.RowCount()) {
        prompts_->Error(QStringLiteral("Nie wskazano pomiaru!"));
        return;
    }
    const QByteArray line = t.Line(row);
    // Under a filter the row's place in the file is not its place in the
    // table: it is found by its line, counting equal rows before it.
    int occurrence = 0;
    for (int r = 0; r < row; ++r)
        occurrence += t.LineView(r) == line;
    const QString caption = QStringLiteral("%1, pomiar nr %2")
                                .arg(cp1250::Decode(config_.tables[size_t(t.number() - 1)].name()),
                                     cp1250::Decode(Field(line, ColNr)));
    auto rowId = std::make_shared<qint64>(-1);
    const QString path = journal_->Path();
    const int table = t.number();
    historyJournalSize_ = QFileInfo(path).size();
    history_->ShowHistory(caption, [path, table, line, occurrence, rowId] {
        WeighingHistory h = HistoryOf(path, table, line, occurrence, *rowId);
        *rowId = h.rowId;
        return h;
    });
}

void MainWindow::TBparams1Click()
{
    const int n = tables_.ActiveNumber();
    const std::optional<TableParams> p = paramsWindow_->Edit(n, config_.tables[size_t(n - 1)]);
    if (!p)
        return;
    config_.tables[size_t(n - 1)] = *p;
    tablePages_->RefreshTableCaptions();
    tablePages_->ApplyPanels();
}

void MainWindow::BBfilterClick()
{
    const std::optional<DataFilter> f = filterWindow_->Edit(filter_);
    if (!f)
        return;
    filter_ = *f;
    findChild<QLabel *>(QStringLiteral("Lfilter_status"))->setVisible(!filter_.IsEmpty());
    tablePages_->LoadAllTables();
}

void MainWindow::SBauto_dodajClick()
{
    if (autoAdd_->isChecked()) {
        AutoAddSettings current{config_.autoAddMin, config_.autoAddDelta, config_.autoAddMode, config_.autoAddSound};
        const std::optional<AutoAddSettings> s = autoAddWindow_->Edit(current);
        if (!s) {
            autoAdd_->setChecked(false);
            return;
        }
        config_.autoAdd = true;
        config_.autoAddMin = s->minMass;
        config_.autoAddDelta = s->delta;
        config_.autoAddMode = s->mode;
        config_.autoAddSound = s->sound;
    } else {
        if (!prompts_->Question(QStringLiteral("Czy napewno wyłączyć automatyczne dodawanie pomiarów?"))) {
            autoAdd_->setChecked(true);
            return;
        }
        config_.autoAdd = false;
    }
    ApplyAutoAddSettings();
}
