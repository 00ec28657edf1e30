#include "../detection_fakes.h"
#include "scale/ui/protocol_detection_dialog.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

using namespace detection_fakes;

// Window "Wykrywanie protokołu wagi" over a detector that talks to a pretend scale.
class TestProtocolDetectionDialog : public QObject {
    Q_OBJECT

    template <typename T> static T *Find(QWidget &w, const QString &name)
    {
        T *c = w.findChild<T *>(name);
        if (!c)
            qFatal("no control %s", qPrintable(name));
        return c;
    }

    static ProtocolDetector *Detector(const Scale &scale, Record &record, ScaleLinkSettings settings,
                                      int deadlineMs = 20000)
    {
        auto *d = new ProtocolDetector(LinksTo(scale, record), settings, TagDecoders);
        ProtocolDetector::Timing t = QuickTiming();
        t.deadlineMs = deadlineMs;
        d->SetTiming(t);
        return d;
    }

private slots:
    void showsProgressThenTheFindAndApplies()
    {
        Record record;
        ProtocolDetectionDialog w(Detector(Streaming(br9600, "TOL 12.50\n"), record, SerialAt(br1200)));
        QCOMPARE(w.objectName(), QStringLiteral("TFwykryj"));
        QCOMPARE(w.windowTitle(), QStringLiteral("Wykrywanie protokołu wagi"));
        auto *status = Find<QLabel>(w, "Lstan");
        auto *step = Find<QLabel>(w, "Lkrok");
        auto *apply = Find<QPushButton>(w, "BBzastosuj");
        QCOMPARE(apply->text(), QStringLiteral("Zastosuj"));
        QCOMPARE(Find<QPushButton>(w, "BBanuluj")->text(), QStringLiteral("Anuluj"));

        // Every step as the label shows it (the dialog's own slot runs first).
        QStringList steps;
        auto *detector = w.findChild<ProtocolDetector *>();
        QVERIFY(detector);
        connect(detector, &ProtocolDetector::listening, this, [&] { steps << step->text(); });
        connect(detector, &ProtocolDetector::requesting, this, [&] { steps << step->text(); });

        w.show();
        QCOMPARE(status->text(), QStringLiteral("Szukam..."));
        QVERIFY(!apply->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(apply->isEnabled(), 20000);
        QCOMPARE(steps, (QStringList{"1200 bps: nasłuch", "1200 bps: zapytanie SMA",
                                     "1200 bps: zapytanie MT-SICS / SI (polskie wskaźniki)", "9600 bps: nasłuch"}));
        QCOMPARE(status->text(), QStringLiteral("Rozpoznano: Toledo (ciągły)"));
        QCOMPARE(step->text(), QStringLiteral("Prędkość: 9600 bps"));
        const QStringList samples = Find<QPlainTextEdit>(w, "Mprobki")->toPlainText().split(u'\n');
        QVERIFY(samples.size() >= ProtocolDetector::kWeightFramesNeeded);
        QVERIFY(samples.size() <= ProtocolDetector::kMaxSamples);
        QCOMPARE(samples.last(), QStringLiteral("12.50"));

        QTest::mouseClick(apply, Qt::LeftButton);
        QCOMPARE(w.result(), int(QDialog::Accepted));
        QVERIFY(w.Result().found);
        QCOMPARE(w.Result().protocol, IndicatorProtocol::ToledoContinuous);
        QCOMPARE(w.Result().rate, int(br9600));
    }

    void answeredFindNamesTheRequest()
    {
        Record record;
        ProtocolDetectionDialog w(Detector(Answering(br9600, "SI\r\n", "SIF -1.5\r\n"), record, SerialAt(br9600)));
        w.show();
        QTRY_VERIFY_WITH_TIMEOUT(Find<QPushButton>(w, "BBzastosuj")->isEnabled(), 20000);
        QCOMPARE(Find<QLabel>(w, "Lstan")->text(), QStringLiteral("Rozpoznano: SI (polskie wskaźniki)"));
        QCOMPARE(Find<QLabel>(w, "Lkrok")->text(), QStringLiteral("Prędkość: 9600 bps, zapytanie: SI<CR><LF>"));
        QCOMPARE(w.Result().request, QByteArray("SI\r\n"));
    }

    void nothingFoundOverTcp()
    {
        Record record;
        ScaleLinkSettings tcp = SerialAt(br1200);
        tcp.connection = ScaleLinkSettings::Ethernet;
        ProtocolDetectionDialog w(Detector(Streaming(br1200, {}), record, tcp));
        w.show();
        QCOMPARE(Find<QLabel>(w, "Lkrok")->text(), QStringLiteral("nasłuch"));  // no rate over TCP
        auto *status = Find<QLabel>(w, "Lstan");
        QTRY_COMPARE_WITH_TIMEOUT(status->text(), QStringLiteral("Nie rozpoznano protokołu wagi."), 10000);
        QVERIFY(!Find<QPushButton>(w, "BBzastosuj")->isEnabled());
        QVERIFY(!w.Result().found);
        QCOMPARE(record.opens, 1);
        QCOMPARE(record.closes, 1);
    }

    void cancelStopsTheSearch()
    {
        Record record;
        ProtocolDetectionDialog w(Detector(Streaming(br9600, "TOL 1.00\n"), record, SerialAt(br1200)));
        w.show();
        QVERIFY(w.IsSearching());
        QTest::mouseClick(Find<QPushButton>(w, "BBanuluj"), Qt::LeftButton);
        QCOMPARE(w.result(), int(QDialog::Rejected));
        QVERIFY(!w.IsSearching());
        QCOMPARE(record.opens, record.closes);
        QTest::qWait(1500);  // it would have found the scale by now
        QCOMPARE(record.opens, 1);
        QVERIFY(!w.Result().found);
        QCOMPARE(Find<QLabel>(w, "Lstan")->text(), QStringLiteral("Szukam..."));
    }
};

QTEST_MAIN(TestProtocolDetectionDialog)
#include "tst_protocol_detection_dialog.moc"
