#include "output/clipboard_copy.h"

#include "core/clipboard_limit.h"
#include "core/cp1250.h"
#include "core/user_prompts.h"
#include "tables/measurement_record.h"
#include "tables/measurement_table.h"

namespace {

// The copied columns in their order, and whether "." becomes ",".
struct CopiedColumn {
    Column column;
    bool comma;
};
constexpr CopiedColumn kColumns[] = {
    {ColNr, false},     {ColTime, false},  {ColGross, true},    {ColNet, true},
    {ColTare, true},    {ColPrice, true},  {ColValue, true},    {ColOrder, false},
    {ColMaterial, false}, {ColOperator, false}, {ColCustomer, false},
};

}  // namespace

QString ClipboardText(const MeasurementTable &table, const std::array<int, ColumnCount> &screenWidths, int first,
                      int count, int *rowsCopied, qsizetype maxChars)
{
    QString text;
    int copied = 0;
    const int last = std::min(table.RowCount(), first + count);
    QString line;
    for (int row = std::max(first, 0); row < last; ++row) {
        line.clear();
        const QByteArrayView bytes = table.LineView(row);
        for (const CopiedColumn &c : kColumns) {
            if (screenWidths[size_t(c.column)] <= 0)
                continue;
            QString field = cp1250::Decode(FieldView(bytes, c.column));
            if (c.comma)
                field.replace(QLatin1Char('.'), QLatin1Char(','));
            line += field;
            line += QLatin1Char('\t');
        }
        line += QStringLiteral("\r\n");
        if (text.size() + line.size() > maxChars)
            break;  // whole lines only
        text += line;
        ++copied;
    }
    if (rowsCopied)
        *rowsCopied = copied;
    return text;
}

bool CopyTableToClipboard(ClipboardContext &ctx)
{
    const int n = ctx.table.RowCount();
    int start = 1;
    if (n > kClipboardMaxRows) {
        ctx.prompts.Warning(QStringLiteral("Rozmiar tabeli (%1 wierszy) jest więszy niż pojemność schowka (%2 wierszy).\n"
                                           "Do schowka zostanie skopiowany tylko fragment tabeli, począwszy od "
                                           "wskazanego wiersza.")
                                .arg(n)
                                .arg(kClipboardMaxRows));
        const std::optional<QString> answer = ctx.prompts.InputText(
            QStringLiteral("Wiersz początkowy"), QStringLiteral("Podaj numer pierwszego kopiowanego wiersza:"), {},
            false);
        if (answer) {
            bool ok = false;
            const int s = answer->trimmed().toInt(&ok);
            if (!ok || s < 1 || s > n) {
                ctx.prompts.Error(QStringLiteral("Błędna wartość!"));
                return false;
            }
            start = s;
        }
    }
    // The scale may have added rows or started a new series meanwhile.
    const int count = std::max(0, std::min(ctx.table.RowCount() - start + 1, kClipboardMaxRows));
    if (ctx.busy)
        ctx.busy(true);
    int copied = 0;
    const QString text = ClipboardText(ctx.table, ctx.screenWidths, start - 1, count, &copied);
    if (ctx.setClipboard)
        ctx.setClipboard(text);
    if (ctx.busy)
        ctx.busy(false);
    if (copied < count)
        ctx.prompts.Warning(ClipboardCutMessage(copied, count, kTableCopyMaxChars));
    return true;
}
