#include "tables/measurement_record.h"
#include "tables/measurement_table.h"

#include <gtest/gtest.h>

TEST(MeasurementTable, RowOperations)
{
    MeasurementTable t(2);
    EXPECT_EQ(t.AddRow(), 0);
    EXPECT_EQ(t.Line(0), EmptyLine());
    EXPECT_FALSE(t.Mark(0));
    t.SetCell(0, ColMaterial, "Piasek");
    t.SetCell(0, ColNr, "1");
    EXPECT_EQ(t.Cell(0, ColMaterial), QByteArray("Piasek"));
    EXPECT_EQ(t.Cell(0, -1), QByteArray());
    EXPECT_EQ(t.Line(0), QByteArray("1\t\t\t\t\t\t\t\tPiasek\t\t\t"));

    t.AddLine("2\ta\tb\tc\td\te\tf\tg\th\ti\tj\tk");
    t.AddLine("3\ta\tb\tc\td\te\tf\tg\th\ti\tj\tk");
    t.SetCurrentRow(2);
    EXPECT_EQ(t.SelectedCount(), 1);
    EXPECT_TRUE(t.IsSelected(2));
    t.DeleteRow(0);
    EXPECT_EQ(t.RowCount(), 2);
    EXPECT_EQ(t.CurrentRow(), 1);  // follows its row
    EXPECT_EQ(t.Cell(0, ColNr), QByteArray("2"));
    t.DeleteRow(1);
    EXPECT_EQ(t.CurrentRow(), -1);
    EXPECT_EQ(t.SelectedCount(), 0);
    t.Clear();
    EXPECT_TRUE(t.IsEmpty());
}

TEST(MeasurementTable, ManyEditsKeepEveryLineAndReclaimSpace)
{
    MeasurementTable t(1);
    for (int i = 0; i < 2000; ++i)
        t.AddLine(QByteArray::number(i) + QByteArray(11, '\t'));
    for (int round = 0; round < 50; ++round)
        for (int i = 0; i < 2000; i += 7)
            t.SetCell(i, ColMaterial, "material-" + QByteArray::number(round));
    for (int i = 0; i < 2000; ++i) {
        EXPECT_EQ(t.Cell(i, ColNr), QByteArray::number(i));
        EXPECT_EQ(t.Cell(i, ColMaterial), i % 7 == 0 ? QByteArray("material-49") : QByteArray());
    }
    // The buffer never holds more than twice the live lines plus slack.
    EXPECT_LT(t.MemoryBytes(), 4 * 2000 * 40 + 200 * 1024);
    // A line set from the table's own buffer survives the buffer moving.
    t.SetLine(5, t.LineView(3));
    EXPECT_EQ(t.Cell(5, ColNr), QByteArray("3"));
}

TEST(MeasurementTable, SignalsLikeAModel)
{
    MeasurementTable t(1);
    int aboutInsert = 0, lines = 0, reset = 0;
    QList<std::pair<int, int>> marks;
    QObject::connect(&t, &MeasurementTable::aboutToInsertRows, [&] { ++aboutInsert; });
    QObject::connect(&t, &MeasurementTable::rowsChanged, [&] { ++lines; });
    QObject::connect(&t, &MeasurementTable::reset, [&] { ++reset; });
    QObject::connect(&t, &MeasurementTable::marksChanged, [&](int a, int b) { marks.append({a, b}); });
    for (int i = 0; i < 5; ++i)
        t.AddRow();
    EXPECT_EQ(aboutInsert, 5);
    t.SetMarks(1, 3, true);
    ASSERT_EQ(marks.count(), 1);
    EXPECT_EQ(marks.at(0), std::make_pair(1, 3));
    t.SetMark(2, true);  // no change, no signal
    EXPECT_EQ(marks.count(), 1);
    EXPECT_EQ(t.MarkedRows(), (QList<int>{1, 2, 3}));
    t.SetCell(4, ColNr, "9");
    EXPECT_EQ(lines, 1);
    t.Clear();
    EXPECT_EQ(reset, 1);
}
