// The history window reads the journal on a thread of its own: the window
// (and the scale's display beside it) goes on while a long journal is read,
// a read for a weighing no longer shown is dropped, and a refresh asked for
// during a read comes after it.

#include "journal/ui/weighing_history_window.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QTableWidget>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <atomic>

namespace {

WeighingHistory HistoryWith(const QString &what)
{
    WeighingHistory h;
    h.rowId = 1;
    h.present = true;
    HistoryEntry e;
    e.time = "2024-05-17 14:03:22";
    e.op = "KOWALSKI";
    e.what = what;
    h.entries.append(e);
    return h;
}

QString FirstWhat(WeighingHistoryWindow &w)
{
    QTableWidgetItem *item = w.List()->rowCount() > 0 ? w.List()->item(0, 2) : nullptr;
    return item ? item->text() : QString();
}

}  // namespace

class TestWeighingHistoryWindow : public QObject {
    Q_OBJECT

private slots:
    void aSlowReadDoesNotHoldUpTheWindow()
    {
        WeighingHistoryWindow w;
        int ticks = 0;
        QTimer timer;
        connect(&timer, &QTimer::timeout, [&] { ++ticks; });
        timer.start(10);
        QElapsedTimer t;
        t.start();
        w.ShowHistory("Tabela 1, pomiar nr 1", [] {
            QThread::msleep(400);
            return HistoryWith("Dodanie (przycisk)");
        });
        QVERIFY(t.elapsed() < 200);
        QCOMPARE(w.findChild<QLabel *>("Lstan")->text(), QString("Czytanie dziennika pomiarów..."));
        QTRY_COMPARE(FirstWhat(w), QString("Dodanie (przycisk)"));
        QVERIFY2(ticks >= 5, qPrintable(QString::number(ticks)));
        QCOMPARE(w.findChild<QLabel *>("Lstan")->text(), QString());
    }

    void aReadForAnotherWeighingIsDroppedAndARefreshComesAfterTheRead()
    {
        WeighingHistoryWindow w;
        w.ShowHistory("Tabela 1, pomiar nr 1", [] {
            QThread::msleep(300);
            return HistoryWith("stara");
        });
        auto reads = std::make_shared<std::atomic_int>(0);
        w.ShowHistory("Tabela 1, pomiar nr 2", [reads] {
            ++*reads;
            return HistoryWith(QString("nowa %1").arg(reads->load()));
        });
        w.Refresh();
        w.Refresh();  // one read after the one under way, however many are asked for
        QTRY_COMPARE(FirstWhat(w), QString("nowa 1"));
        QTest::qWait(400);
        QCOMPARE(FirstWhat(w), QString("nowa 1"));  // the old weighing's read never shows
        QCOMPARE(reads->load(), 1);
        QCOMPARE(w.findChild<QLabel *>("Lpomiar")->text(), QString("Tabela 1, pomiar nr 2"));
        w.Refresh();
        QTRY_COMPARE(FirstWhat(w), QString("nowa 2"));
    }

    void closingDuringAReadWaitsForIt()
    {
        auto done = std::make_shared<std::atomic_bool>(false);
        {
            WeighingHistoryWindow w;
            w.ShowHistory("Tabela 1, pomiar nr 1", [done] {
                QThread::msleep(200);
                *done = true;
                return HistoryWith("x");
            });
        }
        QVERIFY(done->load());
    }
};

QTEST_MAIN(TestWeighingHistoryWindow)
#include "tst_weighing_history_window.moc"
