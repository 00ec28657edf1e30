// The summary printed to PDF (straight and from the preview), read back with
// pdftotext: the company lines, the heading, the rows, "Razem", and the
// chart the window draws, below the table on an A4 page.

#include "core/clock.h"
#include "reports/ui/summary_printing.h"
#include "support/scripted_printing.h"
#include "support/scripted_prompts.h"

#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString PdfText(const QString &path, bool layout = false)
{
    QProcess p;
    QStringList args{QStringLiteral("-enc"), QStringLiteral("UTF-8"), path, QStringLiteral("-")};
    if (layout)
        args.prepend(QStringLiteral("-layout"));
    p.start(QStringLiteral("pdftotext"), args);
    if (!p.waitForFinished(20000))
        return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

QString PdfInfo(const QString &path)
{
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {path});
    p.waitForFinished(20000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

SummaryDocumentInput Input(int rows)
{
    SummaryDocumentInput in;
    in.company = {"Kruszywa Sp. z o.o.", "ul. Żwirowa 7", "62-800 Kalisz", "tel. 62 000 00 00"};
    SummaryResult &r = in.result;
    r.request.from = QDate(2026, 11, 1);
    r.request.to = QDate(2026, 11, 30);
    r.request.first = SummaryKey::Material;
    for (int i = 0; i < rows; ++i) {
        SummaryRow row;
        row.first = QStringLiteral("Materiał %1").arg(i + 1, 3, 10, QLatin1Char('0'));
        row.count = 2;
        row.gross = 1250.5;
        row.net = 1000.25;
        row.tare = 250.25;
        r.rows.append(row);
        r.total.count += row.count;
        r.total.gross += row.gross;
        r.total.net += row.net;
        r.total.tare += row.tare;
    }
    r.total.first = QStringLiteral("Razem");
    return in;
}

}  // namespace

class TestSummaryPrinting : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    ScriptedPrompts prompts_;
    ScriptedPrinting printing_;
    ManualClock clock_{QDateTime(QDate(2026, 12, 1), QTime(9, 15, 0))};
    QList<QRectF> chartAreas_;

    PrintEnvironment Env() { return PrintEnvironment{&printing_, &prompts_, &clock_, nullptr, {}}; }
    SummaryChartPainter Chart()
    {
        return [this](QPainter *p, const QRectF &area) {
            chartAreas_.append(area);
            p->drawRect(area);
            QFont f(QStringLiteral("Arial"));
            f.setPointSize(12);
            p->setFont(f);
            p->drawText(area, Qt::AlignCenter, QStringLiteral("WYKRES SŁUPKOWY"));
        };
    }

  private slots:
    void init()
    {
        prompts_ = ScriptedPrompts();
        printing_ = ScriptedPrinting();
        chartAreas_.clear();
    }

    void pdfHoldsTheSummaryAndTheChartBelowIt()
    {
        const QString path = dir_.filePath("zestawienie.pdf");
        QVERIFY(SummaryToPdf(
            Env(), path, [] { return Input(3); }, Chart()));
        QVERIFY(prompts_.messages.isEmpty());
        const QString text = PdfText(path).simplified();
        for (const char *part :
             {"Kruszywa Sp. z o.o.", "ul. Żwirowa 7", "62-800 Kalisz", "tel. 62 000 00 00",
              "Zestawienie od 2026-11-01 do 2026-11-30", "Grupowanie: materiał", "Data wydruku: 2026-12-01 09:15"})
            QVERIFY2(text.contains(QString::fromUtf8(part)), part);
        const QString layout = PdfText(path, true).simplified();
        QVERIFY2(layout.contains("Materiał 002 2 1250.50 1000.25 250.25 0.00 500.13"), qPrintable(layout));
        QVERIFY(layout.contains("Razem 6 3751.50 3000.75 750.75 0.00 500.13"));
        QVERIFY(layout.indexOf("Razem") < layout.indexOf(QStringLiteral("WYKRES SŁUPKOWY")));

        // One chart across the page, below the text, on A4.
        QCOMPARE(chartAreas_.size(), 1);
        QVERIFY(chartAreas_[0].top() > 0);
        QVERIFY(chartAreas_[0].width() > chartAreas_[0].height());
        const QString info = PdfInfo(path);
        QVERIFY2(info.contains("(A4)"), qPrintable(info));
        QVERIFY(info.contains(QRegularExpression("Pages:\\s+1\\n")));
        QVERIFY(info.contains(QRegularExpression("Title:\\s+Zestawienie 2026-12-01 09-15-00\\n")));
    }

    void aLongSummaryPutsTheChartOnAPageOfItsOwn()
    {
        const QString path = dir_.filePath("dlugie.pdf");
        QVERIFY(SummaryToPdf(
            Env(), path, [] { return Input(60); }, Chart()));
        const QString info = PdfInfo(path);
        QVERIFY2(info.contains(QRegularExpression("Pages:\\s+2\\n")), qPrintable(info));
        QCOMPARE(chartAreas_.size(), 1);
        QCOMPARE(chartAreas_[0].top(), 0.0);
        const QStringList pages = PdfText(path).split('\f');
        QVERIFY(pages.size() >= 2);
        QVERIFY(pages[0].contains("Materiał 060") && pages[0].contains("Razem"));
        QVERIFY(pages[1].contains(QStringLiteral("WYKRES SŁUPKOWY")));
    }

    void aFileThatCannotBeWrittenIsReported()
    {
        const QString path = dir_.filePath("brak/zestawienie.pdf");
        QVERIFY(!SummaryToPdf(
            Env(), path, [] { return Input(1); }, Chart()));
        QCOMPARE(prompts_.MessageTexts(), QStringList{PrintFailedMessage("zestawienie.pdf")});
        QVERIFY(!QFile::exists(path));
    }

    void printingFromThePreview()
    {
        const QString path = dir_.filePath("z_podgladu.pdf");
        printing_.printFromPreview = true;
        printing_.answers.push_back(ScriptedPrinting::DialogAnswer{path, {}, 1});
        PreviewSummary(
            Env(), [] { return Input(2); }, Chart());
        QCOMPARE(printing_.previewPages, QList<int>{1});
        QVERIFY(prompts_.messages.isEmpty());
        const QString text = PdfText(path).simplified();
        QVERIFY(text.contains("Materiał 002") && text.contains("Razem"));
        QVERIFY(text.contains(QStringLiteral("WYKRES SŁUPKOWY")));
        QCOMPARE(chartAreas_.size(), 2);  // the preview page, then the printout
    }
};

QTEST_MAIN(TestSummaryPrinting)
#include "tst_summary_printing.moc"
