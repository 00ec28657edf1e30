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
#include "tables/table_set.h"
#include "tables/table_storage.h"
#include "tables/data_filter.h"
#include "tables/totals.h"
#include "tables/weighing_actions_detail.h"

using namespace weighing_detail;

namespace {

const QString kNoMeasurement = QStringLiteral("Brak pomiaru!");
const QString kUnstableReading = QStringLiteral("Odczyt wagi nie jest stabilny!");
// The last line of a failed write's message.
const QString kAddNotRecorded = QStringLiteral("Pomiar nie został zapisany.");
const QString kSeriesNotStarted = QStringLiteral("Nowa seria pomiarów nie została rozpoczęta.");
// Pixels the list scrolls per row so that a new last row is in view.
constexpr int kRowScroll = 30;

}  // namespace

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
    // Only where the indicator says so: the standard format carries no flag.
    if (env_.config->onlyStable && env_.reading->stability == IndicatorFrame::Stability::Moving) {
        env_.prompts->Error(kUnstableReading);
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
        // Nobody is asked before a series starts: the lines dropped are told afterwards.
        const int invalid = InvalidLineCount(*env_.storage, t.number());
        if (Recorded(RewriteWorkingFile(*env_.storage, empty), kSeriesNotStarted)) {
            t.Clear();
            // The marks went with the rows: the totals must not count them on.
            Call(env_.view.refreshTotals);
            if (invalid > 0)
                env_.prompts->Information(
                    QStringLiteral("Nowa seria pomiarów: z pliku tabeli usunięto też nieprawidłowe linie: %1.")
                        .arg(invalid));
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
