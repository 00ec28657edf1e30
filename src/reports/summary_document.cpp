#include "reports/summary_document.h"

#include "reports/summary_text.h"

#include <algorithm>

namespace {

using namespace print_text;

const QString kIndent(2, QLatin1Char(' '));

// About 105 characters fit A4 portrait in 8 pt: labels are cut rather than
// wrapped, so the columns stay aligned.
constexpr int kFirstWidthAlone = 36;
constexpr int kFirstWidthPaired = 20;
constexpr int kSecondWidth = 16;
constexpr int kMinNumberWidth = 10;

struct Columns {
    bool second = false;
    int first = 0;
    int secondWidth = 0;
    std::array<int, kSummaryMeasures.size()> numbers{};
};

// A measure's name over two heading lines: "Średnia" / "masa netto".
std::pair<QString, QString> SplitHeading(const QString &name)
{
    const qsizetype space = name.indexOf(QLatin1Char(' '));
    if (space < 0)
        return {name, QString()};
    return {name.left(space), name.mid(space + 1)};
}

Columns Measure(const SummaryResult &r)
{
    Columns c;
    c.second = HasSecondGrouping(r.request);
    const int firstCap = c.second ? kFirstWidthPaired : kFirstWidthAlone;
    c.first = int(std::max<qsizetype>(SummaryKeyName(r.request.first).size(), 5));  // "Razem"
    c.secondWidth = int(SummaryKeyName(r.request.second).size());
    for (size_t i = 0; i < kSummaryMeasures.size(); ++i) {
        const auto [top, bottom] = SplitHeading(SummaryMeasureName(kSummaryMeasures[i]));
        c.numbers[i] = int(std::max({qsizetype(kMinNumberWidth), top.size(), bottom.size()}));
    }
    auto note = [&](const SummaryRow &row) {
        c.first = std::max(c.first, int(row.first.size()));
        c.secondWidth = std::max(c.secondWidth, int(row.second.size()));
        for (size_t i = 0; i < kSummaryMeasures.size(); ++i)
            c.numbers[i] = std::max(c.numbers[i], int(SummaryCellText(row, kSummaryMeasures[i]).size()));
    };
    for (const SummaryRow &row : r.rows)
        note(row);
    note(r.total);
    c.first = std::min(c.first, firstCap);
    c.secondWidth = std::min(c.secondWidth, kSecondWidth);
    return c;
}

int RuleLength(const Columns &c)
{
    int length = c.first + 1 + (c.second ? c.secondWidth + 1 : 0);
    for (int w : c.numbers)
        length += w + 1;
    return length - 1;  // no space after the last column
}

QString LabelCells(const Columns &c, const QString &first, const QString &second)
{
    QString text = Cell(first, c.first, false);
    if (c.second)
        text += Cell(second, c.secondWidth, false);
    return text;
}

QString RowLine(const Columns &c, const QString &first, const QString &second, const SummaryRow &row)
{
    QString text = kIndent + LabelCells(c, first, second);
    for (size_t i = 0; i < kSummaryMeasures.size(); ++i)
        text += Cell(SummaryCellText(row, kSummaryMeasures[i]), c.numbers[i], true);
    text.chop(1);
    return text;
}

}  // namespace

QString SummaryJobTitle(const QDateTime &now)
{
    return QStringLiteral("Zestawienie ") + now.toString(QStringLiteral("yyyy-MM-dd hh-mm-ss"));
}

void BuildSummaryDocument(const SummaryDocumentInput &in, DocumentSink &sink)
{
    const SummaryResult &r = in.result;
    sink.Begin(DocumentFont{QStringLiteral("Courier New"), 8});
    LineWriter w(sink);
    w.EmptyLines(2);
    w.SetStyle(TextStyle::BoldItalic);
    for (const QString &line : in.company)
        w.Line(kIndent + line);
    w.SetStyle(TextStyle::Regular);
    w.EmptyLines(2);

    w.SetStyle(TextStyle::Bold);
    w.Line(kIndent + QStringLiteral("Zestawienie ") + SummaryPeriodText(r.request));
    w.SetStyle(TextStyle::Regular);
    QString groupings = SummaryKeyName(r.request.first);
    if (HasSecondGrouping(r.request))
        groupings += QStringLiteral(", ") + SummaryKeyName(r.request.second);
    w.Line(kIndent + QStringLiteral("Grupowanie:   ") + groupings);
    if (in.now.isValid())
        w.Line(kIndent + QStringLiteral("Data wydruku: ") + in.now.toString(QStringLiteral("yyyy-MM-dd hh:mm")));
    w.EndLine();

    const Columns c = Measure(r);
    const int rule = RuleLength(c);
    QString top = kIndent + LabelCells(c, SummaryKeyName(r.request.first), SummaryKeyName(r.request.second));
    QString bottom = kIndent + LabelCells(c, QString(), QString());
    for (size_t i = 0; i < kSummaryMeasures.size(); ++i) {
        const auto [upper, lower] = SplitHeading(SummaryMeasureName(kSummaryMeasures[i]));
        top += Cell(upper, c.numbers[i], true);
        bottom += Cell(lower, c.numbers[i], true);
    }
    w.Rule(kIndent, rule);
    w.Line(top);
    w.Line(bottom);
    w.Rule(kIndent, rule);
    for (const SummaryRow &row : r.rows)
        w.Line(RowLine(c, row.first, row.second, row));
    w.Rule(kIndent, rule);
    w.SetStyle(TextStyle::Bold);
    w.Line(RowLine(c, QStringLiteral("Razem"), QString(), r.total));
    w.SetStyle(TextStyle::Regular);
    if (const QString skipped = r.SkippedText(); !skipped.isEmpty()) {
        w.EndLine();
        w.Line(kIndent + skipped);
    }
    w.EndLine();
}
