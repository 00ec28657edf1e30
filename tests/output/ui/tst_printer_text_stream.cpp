// Drawing printouts on a paged device: printed to PDF and read back with
// poppler's pdftotext (text and word boxes), pdffonts and pdftoppm.

#include "output/ui/printer_text_stream.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QPdfWriter>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QtMath>

#include <memory>
#include <optional>

namespace {

constexpr qreal kTolerancePt = 0.05;

const TextStyle R = TextStyle::Regular;
const TextStyle B = TextStyle::Bold;
const TextStyle I = TextStyle::Italic;
const TextStyle U = TextStyle::Underline;
const TextStyle BI = TextStyle::BoldItalic;

// A4 with margins, 1200 dpi: fixed here so that nothing depends on the
// machine's default printer.
std::unique_ptr<QPrinter> PdfPrinter(const QString &path)
{
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(path);
    printer->setResolution(1200);
    printer->setPageSize(QPageSize(QPageSize::A4));
    printer->setPageMargins(QMarginsF(15, 10, 15, 10), QPageLayout::Millimeter);
    return printer;
}

DocumentFont Font(int pointSize)
{
    DocumentFont f;
    f.pointSize = pointSize;
    return f;
}

// Prints the lines as one job; returns the stream's counts.
struct Printed {
    bool ok = false;
    int pages = 0;
    int lines = 0;
};

Printed Print(QPagedPaintDevice *device, const DocumentFont &font, const QList<DocumentLine> &lines)
{
    PrinterTextStream stream(device);
    stream.Begin(font);
    for (const DocumentLine &line : lines)
        stream.AddLine(line);
    const bool closed = stream.Close();
    return {closed && stream.Ok(), stream.Pages(), stream.Lines()};
}

// A poppler tool's output; nothing when it failed.
std::optional<QString> Tool(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(p.readAllStandardOutput());
}

QString TrimRight(QString s)
{
    while (!s.isEmpty() && s.back().isSpace())
        s.chop(1);
    return s;
}

// The pages of pdftotext -layout, each as its lines trimmed right, without
// the blank lines at the end of a page.
QList<QStringList> PageTexts(const QString &pdf)
{
    QStringList pages = Tool("pdftotext", {"-layout", "-enc", "UTF-8", pdf, "-"}).value_or("").split(QLatin1Char('\f'));
    pages.removeLast();  // every page, the last too, ends with a form feed
    QList<QStringList> out;
    for (const QString &page : pages) {
        QStringList lines;
        for (const QString &line : page.split(QLatin1Char('\n')))
            lines.append(TrimRight(line));
        while (!lines.isEmpty() && lines.back().isEmpty())
            lines.removeLast();
        out.append(lines);
    }
    return out;
}

struct Word {
    int page;
    QRectF box;  // in points from the page's top-left corner
    QString text;
};

QList<Word> Words(const QString &pdf)
{
    const QString html = Tool("pdftotext", {"-bbox", "-enc", "UTF-8", pdf, "-"}).value_or("");
    static const QRegularExpression re(
        R"re(<page |<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re");
    QList<Word> words;
    int page = -1;
    for (const QRegularExpressionMatch &m : re.globalMatch(html)) {
        if (m.captured(0).startsWith("<page")) {
            ++page;
            continue;
        }
        const QPointF topLeft(m.captured(1).toDouble(), m.captured(2).toDouble());
        const QPointF bottomRight(m.captured(3).toDouble(), m.captured(4).toDouble());
        words.append({page, QRectF(topLeft, bottomRight), m.captured(5)});
    }
    return words;
}

std::optional<Word> FindWord(const QList<Word> &words, const QString &text)
{
    for (const Word &w : words)
        if (w.text == text)
            return w;
    return std::nullopt;
}

QList<DocumentLine> NumberedLines(int count)
{
    QList<DocumentLine> lines;
    for (int i = 1; i <= count; ++i)
        lines.append({{QString("Wiersz %1").arg(i), R}});
    return lines;
}

// How many lines of this height start on one page: the next one starts on
// the same page while its top stays above the page height less twice the
// height of the line before it.
int LinesPerPage(qreal lineHeight, qreal pageHeight)
{
    int count = 0;
    qreal top = 0;
    do {
        top += lineHeight;
        ++count;
    } while (top <= pageHeight - 2 * lineHeight);
    return count;
}

qreal LineHeight(const DocumentFont &font, QPaintDevice *device)
{
    return QFontMetricsF(PrinterTextStream::FontFor(font, R), device).height() + 2;
}

}  // namespace

class TestPrinterTextStream : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    QString Path(const QString &name) const { return dir_.filePath(name); }

private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    void styledPiecesReadBackAsTheirText()
    {
        const QString pdf = Path("styles.pdf");
        auto printer = PdfPrinter(pdf);
        const QList<DocumentLine> lines = {
            {{"Waga netto: ", R}, {"1234,5", B}, {" kg", R}},
            {{"Kursywa ", I}, {"pogrubiona kursywa", BI}},
            {},
            {{"Podpis", U}, {" operatora", R}},
            {{"          ", R}, {"                    ", U}},
            {{QString::fromUtf8("Zażółć gęślą jaźń ĄĘŁŃÓŚŹŻ"), B}},
            {{"    wcięcie", R}},
        };
        const Printed printed = Print(printer.get(), Font(10), lines);
        QVERIFY(printed.ok);
        QCOMPARE(printed.pages, 1);
        QCOMPARE(printed.lines, 7);

        const QList<QStringList> pages = PageTexts(pdf);
        QCOMPARE(pages.size(), 1);
        // A rule of underlined spaces has no text: it reads as an empty line.
        const QStringList expected = {"Waga netto: 1234,5 kg",
                                      "Kursywa pogrubiona kursywa",
                                      "",
                                      "Podpis operatora",
                                      "",
                                      QString::fromUtf8("Zażółć gęślą jaźń ĄĘŁŃÓŚŹŻ"),
                                      QString::fromUtf8("    wcięcie")};
        QCOMPARE(pages.at(0), expected);

        // Each style is drawn in its own face of the family.
        const QString fonts = Tool("pdffonts", {pdf}).value_or("");
        for (const char *face :
             {"LiberationMono ", "LiberationMono-Bold ", "LiberationMono-Italic ", "LiberationMono-BoldItalic "})
            QVERIFY2(fonts.contains(face), qPrintable(fonts));
    }

    void layoutFollowsTheFontMetrics_data()
    {
        QTest::addColumn<int>("pointSize");
        QTest::newRow("label 10 pt") << 10;
        QTest::newRow("report 8 pt") << 8;
    }

    void layoutFollowsTheFontMetrics()
    {
        QFETCH(int, pointSize);
        const QString pdf = Path(QString("layout%1.pdf").arg(pointSize));
        auto printer = PdfPrinter(pdf);
        const DocumentFont font = Font(pointSize);
        const Printed printed =
            Print(printer.get(), font,
                  {{{"Netto:", R}, {"1234,5", B}, {"kg", U}, {"Tara", I}}, {{"Druga", BI}}, {}, {{"Czwarta", R}}});
        QVERIFY(printed.ok);
        QCOMPARE(printed.lines, 4);

        const qreal toPoints = 72.0 / printer->resolution();
        const QPointF origin = printer->pageRect(QPrinter::DevicePixel).topLeft() * toPoints;
        const qreal advance =
            QFontMetricsF(PrinterTextStream::FontFor(font, R), printer.get()).horizontalAdvance(QLatin1Char('M')) *
            toPoints;
        const qreal pitch = LineHeight(font, printer.get()) * toPoints;

        const QList<Word> words = Words(pdf);
        const auto first = FindWord(words, "Netto:1234,5kgTara");  // no gaps between the pieces
        QVERIFY(first);
        QVERIFY(qAbs(first->box.left() - origin.x()) < kTolerancePt);
        // pdftotext puts a word's top at its baseline less the font's ascent,
        // which is where the line begins.
        QVERIFY(qAbs(first->box.top() - origin.y()) < kTolerancePt);
        QVERIFY(qAbs(first->box.width() - 18 * advance) < kTolerancePt);

        const auto second = FindWord(words, "Druga");
        const auto fourth = FindWord(words, "Czwarta");
        QVERIFY(second && fourth);
        QVERIFY(qAbs(second->box.left() - origin.x()) < kTolerancePt);
        QVERIFY2(qAbs(second->box.top() - first->box.top() - pitch) < kTolerancePt,
                 qPrintable(QString("pitch %1, expected %2").arg(second->box.top() - first->box.top()).arg(pitch)));
        // The empty line advances by a line of the same height.
        QVERIFY(qAbs(fourth->box.top() - second->box.top() - 2 * pitch) < kTolerancePt);
    }

    void ruleOfUnderlinedSpacesIsDrawn()
    {
        const QString pdf = Path("rule.pdf");
        auto printer = PdfPrinter(pdf);
        const DocumentFont font = Font(10);
        QVERIFY(
            Print(printer.get(), font, {{{"Podpis:", R}}, {{"          ", R}, {QString(20, ' '), U}}, {{"Koniec", R}}})
                .ok);

        constexpr int dpi = 300;
        const QString png = Path("rule");
        QVERIFY(Tool("pdftoppm", {"-png", "-gray", "-singlefile", "-r", QString::number(dpi), pdf, png}));
        const QImage image(png + ".png");
        QVERIFY(!image.isNull());

        const qreal toPixels = qreal(dpi) / printer->resolution();
        const QPointF origin = printer->pageRect(QPrinter::DevicePixel).topLeft() * toPixels;
        const QFontMetricsF fm(PrinterTextStream::FontFor(font, U), printer.get());
        const qreal lineHeight = LineHeight(font, printer.get()) * toPixels;
        const qreal ruleLeft = origin.x() + 10 * fm.horizontalAdvance(' ') * toPixels;
        const qreal ruleRight = origin.x() + 30 * fm.horizontalAdvance(' ') * toPixels;
        const qreal ruleY = origin.y() + lineHeight + (fm.ascent() + fm.underlinePos()) * toPixels;

        // Only the rule may leave ink on the second line.
        const int top = qCeil(origin.y() + lineHeight) + 1;
        const int bottom = qFloor(origin.y() + 2 * lineHeight) - 1;
        QRect ink;
        QSet<int> columns;
        for (int y = top; y <= bottom; ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qGray(image.pixel(x, y)) < 128) {
                    ink |= QRect(x, y, 1, 1);
                    columns.insert(x);
                }
        QVERIFY(!ink.isEmpty());
        const QString where = QString("ink %1..%2 x %3..%4, rule %5..%6 at %7")
                                  .arg(ink.left())
                                  .arg(ink.right())
                                  .arg(ink.top())
                                  .arg(ink.bottom())
                                  .arg(ruleLeft)
                                  .arg(ruleRight)
                                  .arg(ruleY);
        QVERIFY2(qAbs(ink.left() - ruleLeft) <= 2 && qAbs(ink.right() + 1 - ruleRight) <= 2, qPrintable(where));
        QVERIFY2(ink.height() <= 3 && qAbs(ink.center().y() - ruleY) <= 2, qPrintable(where));
        QVERIFY2(columns.size() >= 0.98 * ink.width(), qPrintable(where));  // a solid line, not dashes
    }

    void pageBreaksWhereTheNextLineLacksRoom_data()
    {
        QTest::addColumn<int>("pointSize");
        QTest::newRow("label 10 pt") << 10;
        QTest::newRow("report 8 pt") << 8;
    }

    void pageBreaksWhereTheNextLineLacksRoom()
    {
        QFETCH(int, pointSize);
        const DocumentFont font = Font(pointSize);
        const QString pdf = Path(QString("pages%1.pdf").arg(pointSize));
        auto printer = PdfPrinter(pdf);
        const int perPage = LinesPerPage(LineHeight(font, printer.get()), printer->height());
        QVERIFY(perPage > 40);  // sanity: A4 holds many lines

        const Printed printed = Print(printer.get(), font, NumberedLines(2 * perPage + 3));
        QVERIFY(printed.ok);
        QCOMPARE(printed.pages, 3);
        QCOMPARE(printed.lines, 2 * perPage + 3);

        const QList<QStringList> pages = PageTexts(pdf);
        QCOMPARE(pages.size(), 3);
        QCOMPARE(pages[0].size(), perPage);
        QCOMPARE(pages[0].back(), QString("Wiersz %1").arg(perPage));
        QCOMPARE(pages[1].front(), QString("Wiersz %1").arg(perPage + 1));
        QCOMPARE(pages[2],
                 QStringList({QString("Wiersz %1").arg(2 * perPage + 1), QString("Wiersz %1").arg(2 * perPage + 2),
                              QString("Wiersz %1").arg(2 * perPage + 3)}));

        // A page that ends with the document leaves no empty page behind.
        const QString full = Path(QString("full%1.pdf").arg(pointSize));
        auto fullPrinter = PdfPrinter(full);
        QCOMPARE(Print(fullPrinter.get(), font, NumberedLines(perPage)).pages, 1);
        QCOMPARE(PageTexts(full).size(), 1);
    }

    void widePieceWrapsWithNothingLost()
    {
        const QString pdf = Path("wrap.pdf");
        auto printer = PdfPrinter(pdf);
        const DocumentFont font = Font(10);
        const QString head = "Towar:";
        QString digits;
        for (int i = 0; digits.size() < 200; ++i)
            digits += QString::number(i % 10);

        const Printed printed = Print(printer.get(), font, {{{head, R}, {digits, B}}, {{"Dalej", R}}});
        QVERIFY(printed.ok);
        QCOMPARE(printed.lines, 4);  // the wrapped piece takes three lines

        // What fits beside the head stays there; the rest starts at the left edge.
        const QFontMetricsF fm(PrinterTextStream::FontFor(font, B), printer.get());
        const int perLine = int(printer->width() / fm.horizontalAdvance('0'));
        const int firstPart = int((printer->width() - fm.horizontalAdvance(head)) / fm.horizontalAdvance('0'));
        QVERIFY(firstPart + perLine < digits.size() && digits.size() < firstPart + 2 * perLine);

        const QList<QStringList> pages = PageTexts(pdf);
        QCOMPARE(pages.size(), 1);
        QCOMPARE(pages[0], QStringList({head + digits.left(firstPart), digits.mid(firstPart, perLine),
                                        digits.mid(firstPart + perLine), "Dalej"}));
    }

    void longReportPrintsPageAfterPage()
    {
        const DocumentFont font = Font(8);
        const QString pdf = Path("long.pdf");
        auto printer = PdfPrinter(pdf);
        const int perPage = LinesPerPage(LineHeight(font, printer.get()), printer->height());
        constexpr int rows = 10000;
        const int expectedPages = (rows + perPage - 1) / perPage;

        PrinterTextStream stream(printer.get());
        stream.Begin(font);
        for (int i = 1; i <= rows; ++i)
            stream.AddLine(
                {{QString("%1 ").arg(i, 5), R}, {QString::fromUtf8("Żwir płukany 0-16   "), B}, {"24,50 t", R}});
        QVERIFY(stream.Close());
        QCOMPARE(stream.Lines(), rows);
        QCOMPARE(stream.Pages(), expectedPages);

        const QList<QStringList> pages = PageTexts(pdf);
        QCOMPARE(pages.size(), expectedPages);
        for (int p = 0; p < pages.size(); ++p)
            QCOMPARE(pages[p].front().trimmed().section(' ', 0, 0), QString::number(p * perPage + 1));
        QCOMPARE(pages.back().back().trimmed().section(' ', 0, 0), QString::number(rows));
    }

    void printsOnAPdfWriterInItsOwnUnits()
    {
        // At 300 dpi the 2 units between lines are half a point: metrics must
        // come from the device, not from the screen.
        const QString pdf = Path("writer.pdf");
        QPdfWriter writer(pdf);
        writer.setResolution(300);
        writer.setPageSize(QPageSize(QPageSize::A5));
        writer.setPageMargins(QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
        const DocumentFont font = Font(8);
        QVERIFY(Print(&writer, font, {{{"Pierwsza", R}}, {{"Druga", B}}}).ok);

        const qreal pitch = LineHeight(font, &writer) * 72.0 / writer.resolution();
        const QList<Word> words = Words(pdf);
        const auto first = FindWord(words, "Pierwsza");
        const auto second = FindWord(words, "Druga");
        QVERIFY(first && second);
        QVERIFY(qAbs(second->box.top() - first->box.top() - pitch) < kTolerancePt);
    }

    void jobThatCannotStartIsReported()
    {
        auto printer = PdfPrinter(Path("no/such/folder/x.pdf"));
        PrinterTextStream stream(printer.get());
        stream.Begin(Font(10));
        QVERIFY(!stream.Ok());
        stream.AddLine({{"nic", R}});  // safe, draws nothing
        QCOMPARE(stream.Lines(), 0);
        QCOMPARE(stream.Pages(), 0);
        QVERIFY(!stream.Close());
        QVERIFY(!QFile::exists(Path("no/such/folder/x.pdf")));
    }

    void missingFamilyStillPrintsFixedPitch()
    {
        DocumentFont font;
        font.family = "Czcionka Ktorej Nie Ma";
        for (TextStyle style : {R, B, I, U, BI})
            QVERIFY(QFontInfo(PrinterTextStream::FontFor(font, style)).fixedPitch());
        QCOMPARE(QFontInfo(PrinterTextStream::FontFor(Font(10), BI)).family(), QString("Liberation Mono"));
        QVERIFY(QFontInfo(PrinterTextStream::FontFor(Font(10), BI)).bold());
        QVERIFY(QFontInfo(PrinterTextStream::FontFor(Font(10), BI)).italic());
    }
};

QTEST_MAIN(TestPrinterTextStream)
#include "tst_printer_text_stream.moc"
