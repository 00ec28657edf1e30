// The corrections of the bottom bar, deleting a row and the list's keys and
// double click: each asks first, then changes the file and only then the row.

#include "tables/weighing_actions.h"

#include "core/cp1250.h"
#include "core/number_forms.h"
#include "core/user_prompts.h"
#include "tables/measurement_record.h"
#include "tables/measurement_table.h"
#include "tables/row_editing.h"
#include "tables/table_set.h"
#include "tables/table_storage.h"
#include "tables/weighing_actions_detail.h"

using namespace weighing_detail;

namespace {

const QString kNoRow = QStringLiteral("Nie wskazano pomiaru!");
const QString kBadValue = QStringLiteral("Błędna wartość!");
// The scale went on while a window was open and started the table afresh
// (or the row went some other way): the answer has no row to go to.
const QString kRowGone = QStringLiteral("Wskazany pomiar nie jest już w tabeli. Zmiana nie została wprowadzona.");
const QString kDeleteNotRecorded = QStringLiteral("Pomiar nie został usunięty.");

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
