#include "reports/summary_xlsx.h"

#include "core/safe_file.h"
#include "output/spreadsheet.h"
#include "reports/summary_text.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <algorithm>

#include <xlsxwriter.h>

namespace {

constexpr char kSheet[] = "Zestawienie";
constexpr lxw_row_t kHeadingRow = 2;

class SummaryBook {
  public:
    explicit SummaryBook(const QByteArray &path)
    {
        lxw_workbook_options options{};
        tmpdir_ = QFile::encodeName(QDir::tempPath());
        options.tmpdir = tmpdir_.data();
        book_ = workbook_new_opt(path.constData(), &options);
        if (book_)
            sheet_ = workbook_add_worksheet(book_, kSheet);
        ok_ = sheet_ != nullptr;
        if (ok_) {
            bold_ = workbook_add_format(book_);
            format_set_bold(bold_);
            for (int decimals : {0, 2}) {
                lxw_format *&plain = decimals ? number_ : count_;
                lxw_format *&strong = decimals ? boldNumber_ : boldCount_;
                const QByteArray f = NumberFormat(decimals).toUtf8();
                plain = workbook_add_format(book_);
                format_set_num_format(plain, f.constData());
                strong = workbook_add_format(book_);
                format_set_num_format(strong, f.constData());
                format_set_bold(strong);
            }
        }
    }
    ~SummaryBook()
    {
        if (book_)
            workbook_close(book_);  // after a failure: frees it; the caller removes the file
    }
    SummaryBook(const SummaryBook &) = delete;
    SummaryBook &operator=(const SummaryBook &) = delete;

    bool Ok() const { return ok_; }
    lxw_workbook *Book() const { return book_; }
    lxw_worksheet *Sheet() const { return sheet_; }

    void Text(lxw_row_t row, lxw_col_t col, const QString &text, bool bold = false)
    {
        QString cut = text;
        CutToCellLimit(cut);
        Check(worksheet_write_string(sheet_, row, col, cut.toUtf8().constData(), bold ? bold_ : nullptr));
    }
    void Measure(lxw_row_t row, lxw_col_t col, const SummaryRow &r, SummaryMeasure m, bool bold = false)
    {
        const bool count = m == SummaryMeasure::Count;
        lxw_format *f = count ? (bold ? boldCount_ : count_) : (bold ? boldNumber_ : number_);
        Check(worksheet_write_number(sheet_, row, col, r.Measure(m), f));
    }
    void Width(lxw_col_t col, double chars) { Check(worksheet_set_column(sheet_, col, col, chars, nullptr)); }
    void Check(lxw_error e) { ok_ = ok_ && e == LXW_NO_ERROR; }

    bool Close()
    {
        lxw_workbook *book = std::exchange(book_, nullptr);
        return workbook_close(book) == LXW_NO_ERROR && ok_;
    }

  private:
    QByteArray tmpdir_;
    lxw_workbook *book_ = nullptr;
    lxw_worksheet *sheet_ = nullptr;
    lxw_format *bold_ = nullptr;
    lxw_format *count_ = nullptr, *number_ = nullptr, *boldCount_ = nullptr, *boldNumber_ = nullptr;
    bool ok_ = false;
};

// The labels in the order they first appear (rows are sorted by the first label).
QStringList Distinct(const QList<SummaryRow> &rows, QString SummaryRow::*label)
{
    QStringList out;
    QSet<QString> seen;
    for (const SummaryRow &row : rows)
        if (!seen.contains(row.*label)) {
            seen.insert(row.*label);
            out.append(row.*label);
        }
    return out;
}

void SetSeriesName(lxw_chart_series *series, const QString &name, lxw_row_t row, lxw_col_t col)
{
    // A name starting with '=' would be read as a formula, and Excel takes
    // names of at most 255 characters: point at the cell instead.
    if (name.startsWith(QLatin1Char('=')) || name.isEmpty() || name.size() > 255)
        chart_series_set_name_range(series, kSheet, row, col);
    else
        chart_series_set_name(series, name.toUtf8().constData());
}

// The chart of `m`; `dataRow` is the first free row below the table, where
// the chart data of two groupings goes.
void AddChart(SummaryBook &b, const SummaryResult &r, SummaryMeasure m, lxw_row_t dataRow, lxw_col_t besideCol)
{
    if (r.rows.isEmpty())
        return;
    const bool second = HasSecondGrouping(r.request);
    // Stacked means cannot be read as a whole: means stand side by side.
    const bool stacked = second && m != SummaryMeasure::MeanNet;
    lxw_chart *chart = workbook_add_chart(b.Book(), stacked ? LXW_CHART_COLUMN_STACKED : LXW_CHART_COLUMN);
    if (!chart) {
        b.Check(LXW_ERROR_MEMORY_MALLOC_FAILED);
        return;
    }
    const QByteArray measureName = SummaryMeasureName(m).toUtf8();
    chart_title_set_name(chart, measureName.constData());
    chart_axis_set_name(chart->x_axis, SummaryKeyName(r.request.first).toUtf8().constData());
    chart_axis_set_name(chart->y_axis, measureName.constData());

    if (!second) {
        const auto col = lxw_col_t(1 + std::distance(kSummaryMeasures.begin(), std::ranges::find(kSummaryMeasures, m)));
        const lxw_row_t first = kHeadingRow + 1, last = kHeadingRow + lxw_row_t(r.rows.size());
        lxw_chart_series *s = chart_add_series(chart, nullptr, nullptr);
        chart_series_set_categories(s, kSheet, first, 0, last, 0);
        chart_series_set_values(s, kSheet, first, col, last, col);
        chart_series_set_name(s, measureName.constData());
        chart_legend_set_position(chart, LXW_CHART_LEGEND_NONE);
    } else {
        // The chart data: first labels down, second labels across.
        const QStringList categories = Distinct(r.rows, &SummaryRow::first);
        QStringList series = Distinct(r.rows, &SummaryRow::second);
        if (series.size() > kMaxChartSeries)
            series.resize(kMaxChartSeries);
        QHash<QString, int> categoryIndex, seriesIndex;
        for (int i = 0; i < categories.size(); ++i)
            categoryIndex.insert(categories[i], i);
        for (int i = 0; i < series.size(); ++i)
            seriesIndex.insert(series[i], i);
        b.Text(dataRow, 0, QStringLiteral("Dane wykresu: ") + SummaryMeasureName(m), true);
        const lxw_row_t head = dataRow + 1;
        b.Text(head, 0, SummaryKeyName(r.request.first), true);
        for (int i = 0; i < series.size(); ++i)
            b.Text(head, lxw_col_t(1 + i), series[i], true);
        for (int i = 0; i < categories.size(); ++i)
            b.Text(head + 1 + lxw_row_t(i), 0, categories[i]);
        for (const SummaryRow &row : r.rows)
            if (const auto s = seriesIndex.constFind(row.second); s != seriesIndex.constEnd())
                b.Measure(head + 1 + lxw_row_t(categoryIndex.value(row.first)), lxw_col_t(1 + *s), row, m);
        const lxw_row_t first = head + 1, last = head + lxw_row_t(categories.size());
        for (int i = 0; i < series.size(); ++i) {
            const auto col = lxw_col_t(1 + i);
            lxw_chart_series *s = chart_add_series(chart, nullptr, nullptr);
            chart_series_set_categories(s, kSheet, first, 0, last, 0);
            chart_series_set_values(s, kSheet, first, col, last, col);
            SetSeriesName(s, series[i], head, col);
        }
        chart_legend_set_position(chart, LXW_CHART_LEGEND_RIGHT);
    }
    lxw_chart_options options{};
    options.x_scale = 1.6;
    options.y_scale = 1.5;
    b.Check(worksheet_insert_chart_opt(b.Sheet(), kHeadingRow, besideCol, chart, &options));
}

bool Write(const QByteArray &file, const SummaryResult &r, SummaryMeasure chartMeasure, const QString &title)
{
    SummaryBook b(file);
    if (!b.Ok())
        return false;
    const bool second = HasSecondGrouping(r.request);
    b.Text(0, 0,
           (title.isEmpty() ? QStringLiteral("Zestawienie") : title) + QLatin1Char(' ') + SummaryPeriodText(r.request),
           true);
    const QStringList headings = SummaryHeadings(r.request);
    for (int c = 0; c < headings.size(); ++c)
        b.Text(kHeadingRow, lxw_col_t(c), headings[c], true);

    const lxw_col_t measures = second ? 2 : 1;
    auto writeRow = [&](lxw_row_t row, const QString &first, const QString &secondLabel, const SummaryRow &values,
                        bool bold) {
        b.Text(row, 0, first, bold);
        if (second && !secondLabel.isEmpty())
            b.Text(row, 1, secondLabel, bold);
        for (size_t i = 0; i < kSummaryMeasures.size(); ++i)
            b.Measure(row, measures + lxw_col_t(i), values, kSummaryMeasures[i], bold);
    };
    lxw_row_t row = kHeadingRow + 1;
    for (const SummaryRow &r0 : r.rows)
        writeRow(row++, r0.first, r0.second, r0, false);
    writeRow(row++, QStringLiteral("Razem"), QString(), r.total, true);
    // One empty row before the skipped text and before the chart data.
    if (const QString skipped = r.SkippedText(); !skipped.isEmpty()) {
        b.Text(++row, 0, skipped);
        ++row;
    }
    ++row;

    // Widths by the longest label; the measure columns fit their headings.
    auto widest = [&](QString SummaryRow::*label, const QString &heading) {
        qsizetype w = std::max<qsizetype>(heading.size(), 5);
        for (const SummaryRow &r0 : r.rows)
            w = std::max(w, (r0.*label).size());
        return double(std::min<qsizetype>(w, 60) + 2);
    };
    b.Width(0, widest(&SummaryRow::first, headings[0]));
    if (second)
        b.Width(1, widest(&SummaryRow::second, headings[1]));
    for (size_t i = 0; i < kSummaryMeasures.size(); ++i)
        b.Width(measures + lxw_col_t(i), double(SummaryMeasureName(kSummaryMeasures[i]).size() + 2));

    AddChart(b, r, chartMeasure, row, lxw_col_t(measures + kSummaryMeasures.size() + 1));
    return b.Ok() && b.Close();
}

}  // namespace

bool WriteSummaryXlsx(const QString &path, const SummaryResult &result, SummaryMeasure chartMeasure,
                      const QString &title, QString *error)
{
    auto fail = [&](const QString &message) {
        if (error)
            *error = message;
        return false;
    };
    if (IsWriteProtected(path))
        return fail(QStringLiteral("Błąd podczas usuwania pliku. Upewnij się że plik nie jest otwarty!\n"
                                   "Zapisywanie raportu zostało przerwane."));
    const QString temp = NewTemporaryPath(QFileInfo(path).fileName());
    if (temp.isEmpty())
        return fail(QStringLiteral("Błąd zapisu do pliku."));
    if (!Write(QFile::encodeName(temp), result, chartMeasure, title)) {
        QFile::remove(temp);
        return fail(QStringLiteral("Błąd zapisu do pliku."));
    }
    if (!ReplaceFileWith(path, temp))
        return fail(QStringLiteral("Błąd zapisu do pliku."));
    if (error)
        error->clear();
    return true;
}
