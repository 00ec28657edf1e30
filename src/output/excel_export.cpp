#include "output/excel_export.h"

#include "core/user_prompts.h"
#include "output/spreadsheet.h"
#include "output/xls_writer.h"
#include "output/xlsx_writer.h"
#include "tables/measurement_record.h"
#include "tables/measurement_table.h"

#include <QDir>
#include <QFileInfo>

#include <unistd.h>

namespace {

// The old file can be replaced: a regular file in a folder we may write.
bool Replaceable(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile() && !info.isSymLink())
        return false;
    return ::access(QFile::encodeName(info.absolutePath()).constData(), W_OK | X_OK) == 0 &&
           (!info.isFile() || ::access(QFile::encodeName(path).constData(), W_OK) == 0);
}

}  // namespace

QString ExcelFileName(int tableNumber, const QDateTime &now, int excelVersion)
{
    return QStringLiteral("tab_%1_").arg(tableNumber) + now.toString(QStringLiteral("yyyyMMdd_hhmmss")) +
           (excelVersion == 1 ? QStringLiteral(".xlsx") : QStringLiteral(".xls"));
}

QString TooManyRowsForXlsMessage(int rows)
{
    return QStringLiteral("Tabela ma %1 wierszy, a plik Excel 97-2003 (xls) mieści najwyżej %2.\n"
                          "Wybierz w ustawieniach dodatkowych format xlsx.")
        .arg(rows)
        .arg(kXlsMaxRows - 1);
}

QString CutRowsMessage(const QList<int> &rows)
{
    constexpr int kListed = 10;
    QStringList listed;
    for (qsizetype i = 0; i < rows.size() && i < kListed; ++i)
        listed.append(QString::number(rows[i]));
    QString text = QStringLiteral("Pola dłuższe niż %1 znaków skrócono w wierszach arkusza: ").arg(kMaxCellText) +
                   listed.join(QStringLiteral(", "));
    if (rows.size() > kListed)
        text += QStringLiteral(" i %1 kolejnych").arg(rows.size() - kListed);
    return text + QLatin1Char('.');
}

SheetSource TableSheet(const MeasurementTable &table)
{
    SheetSource s;
    for (int col = 0; col < kFieldCount; ++col)
        s.headings.append(ColumnHeader(col));
    s.rows = table.RowCount();
    s.cells = [&table](int row) {
        QList<SheetCell> cells;
        cells.reserve(kFieldCount);
        const QByteArrayView line = table.LineView(row);
        // One pass over the line: a long table is read twice by the .xls writer.
        std::array<qsizetype, kTabsPerLine> tabs{};
        if (!TabPositions(line, tabs)) {
            for (int col = 0; col < kFieldCount; ++col)
                cells.append(ClassifyCell(col, FieldView(line, col)));
            return cells;
        }
        qsizetype begin = 0;
        for (int col = 0; col < kFieldCount; ++col) {
            const qsizetype end = col < kTabsPerLine ? tabs[size_t(col)] : line.size();
            cells.append(ClassifyCell(col, line.sliced(begin, end - begin)));
            begin = end + 1;
        }
        return cells;
    };
    return s;
}

bool ExportTableToExcel(ExcelExportContext &ctx)
{
    if (ctx.table.IsEmpty()) {
        ctx.prompts.Error(QStringLiteral("Tabela z pomiarami jest pusta!"));
        return false;
    }
    const bool xlsx = ctx.excelVersion == 1;
    // Before the dialog: the user need not choose a file that cannot be written.
    if (!xlsx && ctx.table.RowCount() + 1 > kXlsMaxRows) {
        ctx.prompts.Error(TooManyRowsForXlsMessage(ctx.table.RowCount()));
        return false;
    }
    const QString ext = xlsx ? QStringLiteral("xlsx") : QStringLiteral("xls");
    UserPrompts::SaveDialog dialog;
    dialog.objectName = QStringLiteral("SD1");
    dialog.title = QStringLiteral("Zapisz pomiary...");
    dialog.directory = ctx.startDir;
    dialog.suggestedName = ExcelFileName(ctx.table.number(), ctx.now, ctx.excelVersion);
    dialog.filter = QStringLiteral("*.%1 (*.%1)").arg(ext);
    dialog.defaultSuffix = ext;
    const std::optional<QString> chosen = ctx.prompts.SaveFileName(dialog);
    if (!chosen || chosen->isEmpty())
        return false;
    const QString path = *chosen;
    // The scale may have added rows while the dialog was open.
    if (!xlsx && ctx.table.RowCount() + 1 > kXlsMaxRows) {
        ctx.prompts.Error(TooManyRowsForXlsMessage(ctx.table.RowCount()));
        return false;
    }
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink()) {
        if (!ctx.prompts.Question(QStringLiteral("Plik docelowy już istnieje, czy nadpisać go?")))
            return false;
        if (!Replaceable(path)) {
            ctx.prompts.Error(QStringLiteral("Błąd podczas usuwania pliku. Upewnij się że plik nie jest otwarty!\n"
                                             "Zapisywanie raportu zostało przerwane."));
            return false;
        }
    }
    if (ctx.busy)
        ctx.busy(true);
    const SheetSource sheet = TableSheet(ctx.table);
    QList<int> cutRows;
    const bool written = xlsx ? WriteXlsx(path, sheet, &cutRows) : WriteXls(path, sheet, &cutRows);
    if (ctx.busy)
        ctx.busy(false);
    if (!written) {
        ctx.prompts.Error(QStringLiteral("Błąd zapisu do pliku."));
        return false;
    }
    ctx.prompts.Information(QStringLiteral("Pomiary zapisano do pliku: ") + QDir::toNativeSeparators(path));
    if (!cutRows.isEmpty())
        ctx.prompts.Warning(CutRowsMessage(cutRows));
    return true;
}
