#include "tables/weighing_actions.h"

#include "core/clock.h"
#include "core/cp1250.h"
#include "core/event_log.h"
#include "core/number_forms.h"
#include "core/user_prompts.h"
#include "scale/auto_add.h"
#include "scale/scale_reading.h"
#include "tables/measurement_record.h"
#include "tables/measurement_table.h"
#include "tables/row_editing.h"
#include "tables/table_set.h"
#include "tables/table_storage.h"
#include "tables/data_filter.h"
#include "tables/totals.h"

namespace {

const QString kNoMeasurement = QStringLiteral("Brak pomiaru!");
const QString kNoRow = QStringLiteral("Nie wskazano pomiaru!");
const QString kBadValue = QStringLiteral("Błędna wartość!");
// The scale went on while a window was open and started the table afresh
// (or the row went some other way): the answer has no row to go to.
const QString kRowGone = QStringLiteral("Wskazany pomiar nie jest już w tabeli. Zmiana nie została wprowadzona.");
// The last line of a failed write's message.
const QString kAddNotRecorded = QStringLiteral("Pomiar nie został zapisany.");
const QString kChangeNotRecorded = QStringLiteral("Zmiana nie została zapisana.");
const QString kDeleteNotRecorded = QStringLiteral("Pomiar nie został usunięty.");
const QString kSeriesNotStarted = QStringLiteral("Nowa seria pomiarów nie została rozpoczęta.");
// Pixels the list scrolls per row so that a new last row is in view.
constexpr int kRowScroll = 30;

void Call(const std::function<void()> &f)
{
    if (f)
        f();
}

// A mass cell as the input window shows it: without the brackets of a net.
QByteArray WithoutBrackets(QByteArray text)
{
    if (text.startsWith('(') || text.startsWith('[')) {
        text.remove(0, 1);
        text.chop(1);
    }
    return text;
}

}  // namespace

// The scale keeps sending while an action's window is open: automatic adding
// and weighing records append rows and make the new one current, and a new
// series of records starts the table afresh. The watch follows the row the
// action began on, so the answer goes to that weighing and no other.
class WeighingActions::RowWatch {
public:
    RowWatch(MeasurementTable &table, int row) : row_(row)
    {
        connections_[0] = QObject::connect(&table, &MeasurementTable::aboutToReset, [this] { row_ = -1; });
        connections_[1] = QObject::connect(&table, &MeasurementTable::rowsInserted, [this](int first, int last) {
            if (row_ >= first)
                row_ += last - first + 1;
        });
        connections_[2] = QObject::connect(&table, &MeasurementTable::rowsRemoved, [this](int first, int last) {
            if (row_ > last)
                row_ -= last - first + 1;
            else if (row_ >= first)
                row_ = -1;
        });
    }
    ~RowWatch()
    {
        for (const QMetaObject::Connection &c : connections_)
            QObject::disconnect(c);
    }
    RowWatch(const RowWatch &) = delete;
    RowWatch &operator=(const RowWatch &) = delete;

    // The row now, -1 when it is gone.
    int Row() const { return row_; }

private:
    int row_;
    QMetaObject::Connection connections_[3];
};

WeighingActions::WeighingActions(WeighingEnvironment env) : env_(std::move(env)) {}

WeighingActions::~WeighingActions() = default;

MeasurementTable &WeighingActions::Table() const
{
    return env_.tables->Active();
}

int WeighingActions::MassDecimals() const
{
    return env_.reading ? env_.reading->massDecimals : 2;
}

WeighingOptions WeighingActions::Options() const
{
    WeighingOptions o;
    o.autoNumbering = env_.config->autoNumbering;
    o.tareFromPackaging = env_.config->tareFromPackaging;
    o.netInBrackets = env_.config->netInBrackets;
    o.massDecimals = MassDecimals();
    o.number = NumberForNewRow(Table());
    return o;
}

std::optional<QByteArray> WeighingActions::NumberForNewRow(const MeasurementTable &table) const
{
    // Without a filter the table holds every line of its file.
    if (!env_.config->autoNumbering || !env_.filter || env_.filter->IsEmpty())
        return std::nullopt;
    return NextNumberInFile(*env_.storage, table.number());
}

bool WeighingActions::Recorded(const StorageResult &r, const QString &notRecorded)
{
    if (r.ok)
        return true;
    // A missing line's message already says the change was not stored.
    env_.prompts->Error(r.lineMissing ? r.message : r.message + QLatin1Char('\n') + notRecorded);
    return false;
}

void WeighingActions::ShowNewRow(int row)
{
    MeasurementTable &t = Table();
    t.SetCurrentRow(row);
    Call(env_.view.focusList);
    if (env_.view.scrollList)
        env_.view.scrollList(kRowScroll * t.RowCount());
}

void WeighingActions::EndLoad()
{
    if (TableWriteHook *hook = env_.storage->WriteHook())
        hook->EndLoadUpdates();
}

bool WeighingActions::AddWeighing(TableAction via)
{
    const QByteArray &display = env_.reading->displayText;
    if (!DisplayShowsMass(display)) {
        env_.prompts->Error(kNoMeasurement);
        return false;
    }
    if (env_.autoAdd)
        env_.autoAdd->NoteWeighingAdded();
    if (env_.log)
        env_.log->NoteAddAction();
    // A new weighing ends the following of the one before, also when it
    // cannot be recorded: the update meant for it must not land on that row.
    newestTable_ = nullptr;
    newest_.reset();
    EndLoad();
    MeasurementTable &t = Table();
    const TableParams &params = env_.config->tables[size_t(t.number() - 1)];
    const std::optional<QByteArray> line =
        WeighingLine(t, display, env_.reading->tareText, params, Options(), env_.lookups, env_.clock->Now());
    if (!line) {
        env_.prompts->Error(kNoMeasurement);
        return false;
    }
    ActionInfo action = ActionInfo::Of(via);
    action.opensLoad = via == TableAction::AddAutomatic && env_.config->autoAddMode == 1;
    if (const ActionScope scope(*env_.storage, action);
        !Recorded(AppendLine(*env_.storage, t.number(), *line), kAddNotRecorded))
        return false;
    const int row = t.AddLine(*line);
    newestTable_ = &t;
    newest_ = std::make_unique<RowWatch>(t, row);
    ShowNewRow(row);
    Call(env_.view.refreshCaptions);
    if (env_.log && env_.log->enabled)
        env_.log->LogEvent(3, "online");
    return true;
}

void WeighingActions::AddRecordRow(const QByteArray &number, const QByteArray &weight, bool newSeries)
{
    MeasurementTable &t = Table();
    if (newSeries) {
        const MeasurementTable empty(t.number());
        const ActionScope scope(*env_.storage, TableAction::NewSeries);
        if (Recorded(RewriteWorkingFile(*env_.storage, empty), kSeriesNotStarted)) {
            t.Clear();
            // The marks went with the rows: the totals must not count them on.
            Call(env_.view.refreshTotals);
        }
    }
    const TableParams &params = env_.config->tables[size_t(t.number() - 1)];
    const std::optional<QByteArray> line =
        RecordLine(t, number, weight, env_.reading->tareText, params, Options(), env_.lookups, env_.clock->Now());
    if (!line) {
        env_.prompts->Error(BadNumberMessage(cp1250::Decode(weight)));
        return;
    }
    if (const ActionScope scope(*env_.storage, TableAction::AddRecord);
        !Recorded(AppendLine(*env_.storage, t.number(), *line), kAddNotRecorded))
        return;
    const int row = t.AddLine(*line);
    ShowNewRow(row);
    Call(env_.view.refreshCaptions);
}

void WeighingActions::UpdateLastRow()
{
    MeasurementTable &t = Table();
    const int row = t.RowCount() - 1;
    // Only the row of the current load: another last row is some other weighing.
    if (row < 0 || newestTable_ != &t || !newest_ || newest_->Row() != row)
        return;
    t.SetCurrentRow(row);
    Call(env_.view.focusList);
    const QByteArray oldLine = t.Line(row);
    MeasurementRecord r = MeasurementRecord::FromLine(oldLine);
    const QByteArray &display = env_.reading->displayText;
    const std::optional<QByteArray> net =
        NetText(r.fields[ColTare], display, MassDecimals(), env_.config->netInBrackets);
    const std::optional<QByteArray> value = net ? ValueText(*net, r.fields[ColPrice]) : std::nullopt;
    if (!value) {
        // Every later reading would fail the same way.
        newest_.reset();
        env_.prompts->Error(BadNumberMessage(cp1250::Decode(net ? r.fields[ColPrice] : r.fields[ColTare])));
        return;
    }
    r.fields[ColTime] = TableTime(env_.clock->Now());
    r.fields[ColGross] = display;
    r.fields[ColNet] = *net;
    r.fields[ColValue] = *value;
    const std::optional<QByteArray> newLine = r.LineOver(oldLine);
    if (!newLine)
        return;
    if (const ActionScope scope(*env_.storage, TableAction::LoadUpdate);
        !Recorded(ReplaceLine(*env_.storage, t.number(), oldLine, *newLine), kChangeNotRecorded)) {
        // The row stays as its file holds it and is not followed further.
        newest_.reset();
        return;
    }
    t.SetLine(row, *newLine);
    Call(env_.view.refreshTotals);
}

bool WeighingActions::HasSelection()
{
    if (Table().CurrentRow() >= 0 && Table().CurrentRow() < Table().RowCount())
        return true;
    env_.prompts->Error(kNoRow);
    return false;
}

int WeighingActions::RangeEnd(ApplyToChoice choice, int row) const
{
    return choice == ApplyToChoice::CurrentAndFollowing ? Table().RowCount() - 1 : row;
}

int WeighingActions::RowAfterWindow(const RowWatch &watch)
{
    if (watch.Row() < 0) {
        env_.prompts->Error(kRowGone);
        Call(env_.view.focusList);
    }
    return watch.Row();
}

void WeighingActions::AfterCancel()
{
    Call(env_.view.focusList);
}

std::optional<double> WeighingActions::AskNumber(const QString &title, const QString &prompt, const QByteArray &preset)
{
    const std::optional<QString> typed = env_.prompts->InputText(title, prompt, cp1250::Decode(preset), false);
    if (!typed) {
        AfterCancel();
        return std::nullopt;
    }
    const std::optional<double> v = ParseNumber(cp1250::EncodeLossy(*typed));
    if (!v)
        env_.prompts->Error(kBadValue);
    return v;
}

void WeighingActions::ApplyEdit(int first, int last,
                                const std::function<std::optional<QByteArray>(QByteArrayView, QString &)> &edit,
                                bool rangeLoop, bool totals, const ActionInfo &action)
{
    if (rangeLoop && env_.view.busy)
        env_.view.busy(true);
    const ActionScope scope(*env_.storage, action);
    const RangeEditResult r = ApplyToRange(Table(), *env_.storage, first, last, edit);
    if (rangeLoop && env_.view.busy)
        env_.view.busy(false);
    if (!r.cellError.isEmpty())
        env_.prompts->Error(r.cellError);
    Recorded(r.file, kChangeNotRecorded);
    if (totals)
        Call(env_.view.refreshTotals);
    Call(env_.view.focusList);
}

void WeighingActions::EditGross()
{
    if (!HasSelection())
        return;
    const RowWatch watch(Table(), Table().CurrentRow());
    const auto v = AskNumber(QStringLiteral("Masa brutto"), QStringLiteral("Podaj masę brutto:"),
                             WithoutBrackets(Table().Cell(watch.Row(), ColGross)));
    if (!v)
        return;
    if (const int row = RowAfterWindow(watch); row >= 0)
        ApplyEdit(row, row, GrossEdit(*v, MassDecimals()), false, true, ActionInfo::Correction(ColGross, false));
}

void WeighingActions::EditTare()
{
    if (!HasSelection())
        return;
    const RowWatch watch(Table(), Table().CurrentRow());
    const auto v = AskNumber(QStringLiteral("Tara"), QStringLiteral("Podaj tarę:"),
                             WithoutBrackets(Table().Cell(watch.Row(), ColTare)));
    if (!v)
        return;
    if (const int row = RowAfterWindow(watch); row >= 0)
        ApplyEdit(row, row, TareEdit(*v, MassDecimals()), false, true, ActionInfo::Correction(ColTare, false));
}

void WeighingActions::EditPrice()
{
    if (!HasSelection())
        return;
    const RowWatch watch(Table(), Table().CurrentRow());
    const auto v =
        AskNumber(QStringLiteral("Cena"), QStringLiteral("Podaj cenę:"), Table().Cell(watch.Row(), ColPrice));
    if (!v)
        return;
    if (const int row = RowAfterWindow(watch); row >= 0)
        ApplyEdit(row, row, PriceEdit(*v, MassDecimals()), false, true, ActionInfo::Correction(ColPrice, false));
}

void WeighingActions::EditOrder()
{
    if (!HasSelection())
        return;
    const RowWatch watch(Table(), Table().CurrentRow());
    const std::optional<OrderAnswer> a =
        env_.askOrder ? env_.askOrder(Table().Cell(watch.Row(), ColOrder)) : std::nullopt;
    if (!a) {
        AfterCancel();
        return;
    }
    if (const int row = RowAfterWindow(watch); row >= 0)
        ApplyEdit(row, RangeEnd(a->applyTo, row), TextEdit(ColOrder, a->order), true, false,
                  ActionInfo::Correction(ColOrder, a->applyTo == ApplyToChoice::CurrentAndFollowing));
}

void WeighingActions::EditMaterial()
{
    if (!HasSelection())
        return;
    const RowWatch watch(Table(), Table().CurrentRow());
    const std::optional<PickedEntry> m = env_.pickers->PickMaterial(true);
    if (!m) {
        AfterCancel();
        return;
    }
    if (const int row = RowAfterWindow(watch); row >= 0)
        ApplyEdit(row, RangeEnd(m->applyTo, row),
                  MaterialEdit(*m, env_.config->tareFromPackaging, env_.lookups.packagingTare, MassDecimals()), true,
                  true, ActionInfo::Correction(ColMaterial, m->applyTo == ApplyToChoice::CurrentAndFollowing));
}

void WeighingActions::EditPackaging()
{
    if (!HasSelection())
        return;
    const RowWatch watch(Table(), Table().CurrentRow());
    const std::optional<PickedEntry> p = env_.pickers->PickPackaging(true);
    if (!p) {
        AfterCancel();
        return;
    }
    if (const int row = RowAfterWindow(watch); row >= 0)
        ApplyEdit(row, RangeEnd(p->applyTo, row), PackagingEdit(*p, env_.config->tareFromPackaging, MassDecimals()),
                  true, true, ActionInfo::Correction(ColPackaging, p->applyTo == ApplyToChoice::CurrentAndFollowing));
}

void WeighingActions::EditCustomer()
{
    if (!HasSelection())
        return;
    const RowWatch watch(Table(), Table().CurrentRow());
    const std::optional<PickedEntry> c = env_.pickers->PickCustomer(true);
    if (!c) {
        AfterCancel();
        return;
    }
    if (const int row = RowAfterWindow(watch); row >= 0)
        ApplyEdit(row, RangeEnd(c->applyTo, row), TextEdit(ColCustomer, c->name), true, false,
                  ActionInfo::Correction(ColCustomer, c->applyTo == ApplyToChoice::CurrentAndFollowing));
}

void WeighingActions::EditOperator()
{
    if (!HasSelection())
        return;
    const RowWatch watch(Table(), Table().CurrentRow());
    const std::optional<PickedEntry> o = env_.pickers->PickOperator();
    if (!o) {
        AfterCancel();
        return;
    }
    if (const int row = RowAfterWindow(watch); row >= 0)
        ApplyEdit(row, row, TextEdit(ColOperator, o->name), false, false, ActionInfo::Correction(ColOperator, false));
}

void WeighingActions::DeleteRow()
{
    if (!HasSelection())
        return;
    MeasurementTable &t = Table();
    const RowWatch watch(t, t.CurrentRow());
    if (!env_.prompts->Question(DeleteQuestion(t.Line(watch.Row())))) {
        AfterCancel();
        return;
    }
    const int row = RowAfterWindow(watch);
    if (row < 0)
        return;
    // Taken after the question: the newest row may have been brought up to
    // date meanwhile, and the file holds it as it is now. A line the file
    // does not hold (any more) goes from the table too.
    const QByteArray line = t.Line(row);
    const ActionScope scope(*env_.storage, TableAction::Delete);
    const StorageResult r = ReplaceLine(*env_.storage, t.number(), line, {});
    if (!r.ok && !r.lineMissing) {
        Recorded(r, kDeleteNotRecorded);
        Call(env_.view.focusList);
        return;
    }
    t.DeleteRow(row);
    Call(env_.view.refreshCaptions);
    Call(env_.view.refreshTotals);
    if (!t.IsEmpty()) {
        t.SetCurrentRow(std::min(row, t.RowCount() - 1));
        Call(env_.view.focusList);
    }
}

void WeighingActions::DeleteKey()
{
    if (Table().CurrentRow() < 0)
        return;
    const bool administrator = !env_.isAdministrator || env_.isAdministrator();
    if (administrator || !env_.config->lockDelete)
        DeleteRow();
}

void WeighingActions::DoubleClick()
{
    if (Table().CurrentRow() < 0)
        return;
    // Each test is made after the window before it has closed, on the row
    // clicked (rows the scale adds meanwhile become current themselves).
    const RowWatch watch(Table(), Table().CurrentRow());
    const std::pair<int, void (WeighingActions::*)()> chain[] = {{ColOrder, &WeighingActions::EditOrder},
                                                                {ColMaterial, &WeighingActions::EditMaterial},
                                                                {ColOperator, &WeighingActions::EditOperator},
                                                                {ColCustomer, &WeighingActions::EditCustomer}};
    for (const auto &[col, action] : chain) {
        const int row = watch.Row();
        if (row < 0)
            return;
        if (Table().Cell(row, col).isEmpty()) {
            Table().SetCurrentRow(row);
            (this->*action)();
        }
    }
}
