#include "scale/transmission_log.h"
#include "scale/ui/transmission_monitor_model.h"
#include "scale/ui/transmission_monitor_window.h"

#include <QClipboard>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QtTest>

// Window "Podgląd transmisji" fed as a scale sending 50 frames a second would
// feed it, in fast-forward: every 200 ms of scale time brings ten chunks and
// their ten frames.
class TestTransmissionMonitorWindow : public QObject {
    Q_OBJECT

    static constexpr qint64 kStart = 1700000000000;  // a fixed moment; shown in local time

    template <typename T> static T *Find(QWidget &w, const QString &name)
    {
        T *c = w.findChild<T *>(name);
        if (!c)
            qFatal("no control %s", qPrintable(name));
        return c;
    }

    // One frame: the chunk as received, then what it decoded to.
    static void AddFrame(TransmissionLog &log, int n)
    {
        const qint64 t = kStart + n * 20;
        const QByteArray raw = "\x02" + QByteArray::number(n) + "\r";
        log.AddReceived(t, raw);
        IndicatorFrame f;
        f.kind = IndicatorFrame::Kind::Weight;
        f.weightText = QByteArray::number(n);
        f.unit = "kg";
        f.stability = IndicatorFrame::Stability::Stable;
        log.AddFrame(t, raw, f);
    }

    static QString Time(int n)
    {
        return QDateTime::fromMSecsSinceEpoch(kStart + n * 20).toString(QStringLiteral("hh:mm:ss.zzz"));
    }

private slots:
    void namesAndButtons()
    {
        TransmissionLog log;
        TransmissionMonitorWindow w(log);
        QCOMPARE(w.objectName(), QStringLiteral("TFpodglad"));
        QCOMPARE(w.windowTitle(), QStringLiteral("Podgląd transmisji"));
        QVERIFY(w.isWindow());
        QCOMPARE(Find<QPushButton>(w, "BBwstrzymaj")->text(), QStringLiteral("Wstrzymaj"));
        QCOMPARE(Find<QPushButton>(w, "BBwyczysc")->text(), QStringLiteral("Wyczyść"));
        QCOMPARE(Find<QPushButton>(w, "BBkopiuj")->text(), QStringLiteral("Kopiuj"));
    }

    void keepsUpAndStaysBounded()
    {
        TransmissionLog log;
        TransmissionMonitorWindow w(log);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const auto &model = w.Model();

        // Two minutes of scale time: 6,000 frames, 12,000 entries.
        int n = 0;
        for (int tick = 0; tick < 600; ++tick) {
            for (int k = 0; k < 10; ++k)
                AddFrame(log, n++);
            w.Refresh();
            QCoreApplication::processEvents();
        }
        QCOMPARE(model.rowCount(), TransmissionMonitorWindow::kMaxRows);
        // The newest at the bottom, in order, nothing skipped or doubled.
        QCOMPARE(model.RowText(model.rowCount() - 1),
                 Time(n - 1) + QStringLiteral("\t◀\t<STX>5999<CR>\t02 35 39 39 39 0D\t5999 kg, stabilny"));
        QCOMPARE(model.RowText(model.rowCount() - 2),
                 Time(n - 1) + QStringLiteral("\t←\t<STX>5999<CR>\t02 35 39 39 39 0D\t"));
        QCOMPARE(model.RowText(0).section(u'\t', 2, 2), QStringLiteral("<STX>5500<CR>"));
        auto *view = Find<QTableView>(w, "TVtransmisja");
        QVERIFY(view->verticalScrollBar()->value() == view->verticalScrollBar()->maximum());

        // The window's own timer takes new entries while it is shown.
        AddFrame(log, n++);
        QTRY_COMPARE_WITH_TIMEOUT(model.RowText(model.rowCount() - 1).section(u'\t', 2, 2),
                                  QStringLiteral("<STX>6000<CR>"), 5000);
        QCOMPARE(model.rowCount(), TransmissionMonitorWindow::kMaxRows);

        // A burst larger than the view after a long stall: only its end, still bounded.
        for (int k = 0; k < 3000; ++k)
            AddFrame(log, n++);
        w.Refresh();
        QCOMPARE(model.rowCount(), TransmissionMonitorWindow::kMaxRows);
        QCOMPARE(model.RowText(0).section(u'\t', 2, 2), QStringLiteral("<STX>8501<CR>"));
    }

    void pauseFreezesTheViewWhileTheLogRecords()
    {
        TransmissionLog log;
        TransmissionMonitorWindow w(log);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const auto &model = w.Model();
        for (int n = 0; n < 5; ++n)
            AddFrame(log, n);
        w.Refresh();
        QCOMPARE(model.rowCount(), 10);

        auto *pause = Find<QPushButton>(w, "BBwstrzymaj");
        QTest::mouseClick(pause, Qt::LeftButton);
        QVERIFY(w.IsPaused());
        QCOMPARE(pause->text(), QStringLiteral("Wznów"));
        const QString last = model.RowText(9);
        for (int n = 5; n < 50; ++n)
            AddFrame(log, n);
        QTest::qWait(3 * TransmissionMonitorWindow::kRefreshMs);
        w.Refresh();
        QCOMPARE(model.rowCount(), 10);
        QCOMPARE(model.RowText(9), last);
        QCOMPARE(log.Total(), 100);

        // Resumed: what came meanwhile is shown at once.
        QTest::mouseClick(pause, Qt::LeftButton);
        QCOMPARE(pause->text(), QStringLiteral("Wstrzymaj"));
        QCOMPARE(model.rowCount(), 100);
        QCOMPARE(model.RowText(99).section(u'\t', 4), QStringLiteral("49 kg, stabilny"));
    }

    void clearEmptiesViewAndLogAndGoesOn()
    {
        TransmissionLog log;
        TransmissionMonitorWindow w(log);
        w.show();
        for (int n = 0; n < 5; ++n)
            AddFrame(log, n);
        w.Refresh();
        QTest::mouseClick(Find<QPushButton>(w, "BBwyczysc"), Qt::LeftButton);
        QCOMPARE(w.Model().rowCount(), 0);
        QCOMPARE(log.Size(), 0);
        AddFrame(log, 5);
        w.Refresh();
        QCOMPARE(w.Model().rowCount(), 2);
        QCOMPARE(w.Model().RowText(0).section(u'\t', 2, 2), QStringLiteral("<STX>5<CR>"));
    }

    void copyPutsTheShownRowsOnTheClipboard()
    {
        TransmissionLog log;
        TransmissionMonitorWindow w(log);
        w.show();
        log.AddSent(kStart, "SI\r\n");
        AddFrame(log, 1);
        IndicatorFrame bad;
        bad.note = "no unit";
        log.AddFrame(kStart + 40, "S S 1\xb9", bad);
        log.AddReceived(kStart + 60, QByteArray(600, 'x'));
        w.Refresh();
        QApplication::clipboard()->clear();
        QTest::mouseClick(Find<QPushButton>(w, "BBkopiuj"), Qt::LeftButton);
        const QStringList lines = QApplication::clipboard()->text().split(u'\n');
        QCOMPARE(lines.size(), 5);
        QCOMPARE(lines[0], Time(0) + QStringLiteral("\t→\tSI<CR><LF>\t53 49 0D 0A\t"));
        QCOMPARE(lines[2], Time(1) + QStringLiteral("\t◀\t<STX>1<CR>\t02 31 0D\t1 kg, stabilny"));
        QCOMPARE(lines[3],
                 Time(2) + QStringLiteral("\t◀\tS S 1<xB9>\t53 20 53 20 31 B9\tnierozpoznana ramka: no unit"));
        // A chunk longer than the log keeps says so.
        QVERIFY(lines[4].section(u'\t', 2, 2).endsWith(QStringLiteral(" … (600 B)")));
        QCOMPARE(lines[4].section(u'\t', 2, 2).count(u'x'), int(TransmissionLog::kMaxBytes));
    }
};

QTEST_MAIN(TestTransmissionMonitorWindow)
#include "tst_transmission_monitor_window.moc"
