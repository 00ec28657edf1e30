#include "support/temp_dir.h"
#include "tables/data_filter.h"
#include "tables/measurement_model.h"
#include "tables/measurement_table.h"
#include "tables/table_storage.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QtTest>

namespace {

QByteArray Row(int nr, const QByteArray &material = "Piasek")
{
    return QByteArray::number(nr) + "\t2024-05-17 14:03\t120.50\t(118.00)\t2.50\t0.50\t59.00\tWZ\t" + material +
           "\tBig bag\tJAN\tFirma";
}

}  // namespace

class TestMeasurementModel : public QObject {
    Q_OBJECT
private slots:
    void columnsHeadersAndFlags()
    {
        MeasurementTable table(1);
        MeasurementModel model(table);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(model.columnCount(), 13);
        const QStringList headers = {"e", "nr", "czas pobrania", "brutto", "netto", "tara", "cena",
                                     "wartość", "zamówienie", "materiał", "opakowanie", "operator",
                                     "dostawca / klient"};
        for (int c = 0; c < 13; ++c)
            QCOMPARE(model.headerData(c, Qt::Horizontal).toString(), headers[c]);
        table.AddLine(Row(1, "\xafwir"));  // cp1250 "Żwir"
        QCOMPARE(model.rowCount(), 1);
        QCOMPARE(model.data(model.index(0, 0)).toString(), QString());
        QCOMPARE(model.data(model.index(0, 0), Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
        QCOMPARE(model.data(model.index(0, 9)).toString(), QString::fromUtf8("Żwir"));
        QCOMPARE(model.data(model.index(0, 4)).toString(), QString("(118.00)"));
        const int right = int(Qt::AlignRight | Qt::AlignVCenter);
        const int left = int(Qt::AlignLeft | Qt::AlignVCenter);
        const QList<int> expected = {right, left, right, right, right, right, right, left, left, left, left, left};
        for (int c = 1; c < 13; ++c)
            QCOMPARE(model.data(model.index(0, c), Qt::TextAlignmentRole).toInt(), expected[c - 1]);
        QVERIFY(model.flags(model.index(0, 0)) & Qt::ItemIsUserCheckable);
        QVERIFY(!(model.flags(model.index(0, 3)) & Qt::ItemIsUserCheckable));
        for (int c = 0; c < 13; ++c)
            QVERIFY(!(model.flags(model.index(0, c)) & Qt::ItemIsEditable));
    }

    void followsEveryTableChange()
    {
        QTemporaryDir tmp;
        MeasurementTable table(1);
        MeasurementModel model(table);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        QSignalSpy reset(&model, &QAbstractItemModel::modelReset);

        for (int i = 1; i <= 5; ++i)
            table.AddLine(Row(i));
        QCOMPARE(inserted.count(), 5);
        QCOMPARE(inserted.last().at(1).toInt(), 4);

        table.SetCell(2, 8, "Glina");
        QCOMPARE(changed.count(), 1);
        QCOMPARE(model.data(model.index(2, 9)).toString(), QString("Glina"));

        // The check box is set through the model like the view does.
        QVERIFY(model.setData(model.index(1, 0), Qt::Checked, Qt::CheckStateRole));
        QVERIFY(table.Mark(1));
        QCOMPARE(changed.count(), 2);
        QCOMPARE(changed.last().at(0).toModelIndex().column(), 0);
        QVERIFY(!model.setData(model.index(1, 3), "x", Qt::EditRole));

        table.SetAllMarks(true);
        QCOMPARE(changed.count(), 3);  // one signal for the whole range
        table.DeleteRow(0);
        QCOMPARE(removed.count(), 1);
        QCOMPARE(model.rowCount(), 4);
        QCOMPARE(model.data(model.index(0, 1)).toString(), QString("2"));

        const QString path = tmp.path() + "/pomiary1.txt";
        WriteAll(path, Row(7) + "\r\n" + Row(8) + "\r\n");
        LoadTable(path, table, DataFilter{});
        QCOMPARE(reset.count(), 1);
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(model.data(model.index(1, 1)).toString(), QString("8"));
        QCOMPARE(model.data(model.index(1, 0), Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
        table.Clear();
        QCOMPARE(model.rowCount(), 0);
    }
};

QTEST_GUILESS_MAIN(TestMeasurementModel)
#include "tst_measurement_model.moc"
