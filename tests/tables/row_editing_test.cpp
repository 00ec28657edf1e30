#include "dictionaries/pickers.h"
#include "support/temp_dir.h"
#include "tables/measurement_record.h"
#include "tables/measurement_table.h"
#include "tables/row_editing.h"
#include "tables/table_storage.h"

#include <QDir>
#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace {

// nr, time, gross, net, tare, price, value, order, material, packaging, operator, customer
QByteArray Row(const QByteArray &nr, const QByteArray &gross, const QByteArray &net, const QByteArray &tare,
               const QByteArray &price, const QByteArray &value)
{
    return nr + "\t2024-05-17 14:03\t" + gross + "\t" + net + "\t" + tare + "\t" + price + "\t" + value +
           "\tWZ1\tPiasek\tPaleta\tJAN\tBudex";
}

const QByteArray kRow = Row("1", "100.00", "90.00", "10.00", "2.00", "180.00");

QByteArray Apply(const LineEdit &edit, const QByteArray &line)
{
    QString error;
    const std::optional<QByteArray> out = edit(line, error);
    EXPECT_TRUE(out.has_value()) << error.toStdString();
    return out.value_or(QByteArray());
}

class RangeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        dataDir = tmp.path() + "/";
    }
    // A table of `lines` held in memory and in pomiary1.txt.
    void Fill(const QList<QByteArray> &lines)
    {
        table.Clear();
        QByteArray file;
        for (const QByteArray &l : lines) {
            table.AddLine(l);
            file += l + "\r\n";
        }
        ASSERT_TRUE(WriteAll(dataDir + "pomiary1.txt", file));
    }
    QByteArray File() const { return ReadAll(dataDir + "pomiary1.txt"); }
    QByteArray TableBytes() const
    {
        QByteArray out;
        for (int r = 0; r < table.RowCount(); ++r)
            out += table.Line(r) + "\r\n";
        return out;
    }

    QTemporaryDir tmp;
    QString dataDir;
    MeasurementTable table{1};
};

}  // namespace

TEST(RowEditing, MassAndPriceRules)
{
    // Tare 15: net 85.00, value 170.00, gross unchanged.
    EXPECT_EQ(Apply(TareEdit(15, 2), kRow), Row("1", "100.00", "85.00", "15.00", "2.00", "170.00"));
    // A bracketed net is read as its number.
    EXPECT_EQ(Apply(TareEdit(15, 2), Row("1", "100.00", "(90.00)", "10.00", "2.00", "180.00")),
              Row("1", "100.00", "85.00", "15.00", "2.00", "170.00"));
    // Price 2,5: two or three decimals as the scale sends them.
    EXPECT_EQ(Apply(PriceEdit(2.5, 2), kRow), Row("1", "100.00", "90.00", "10.00", "2.50", "225.00"));
    EXPECT_EQ(Apply(PriceEdit(2.5, 3), kRow), Row("1", "100.00", "90.00", "10.00", "2.500", "225.000"));
    // Gross 120: net and value follow; a negative value is accepted.
    EXPECT_EQ(Apply(GrossEdit(120, 2), kRow), Row("1", "120.00", "110.00", "10.00", "2.00", "220.00"));
    EXPECT_EQ(Apply(GrossEdit(-5, 2), kRow), Row("1", "-5.00", "-15.00", "10.00", "2.00", "-30.00"));
}

TEST(RowEditing, DictionaryColumns)
{
    PickedEntry zwir;
    zwir.name = "\xbfwir";
    zwir.packaging = "Worek";
    zwir.price = "3.00";
    auto tares = [](QByteArrayView p) { return p == "Worek" ? 1.5 : 0.0; };
    QByteArray r = Apply(MaterialEdit(zwir, false, tares, 2), kRow);
    EXPECT_EQ(Field(r, ColMaterial), "\xbfwir");
    EXPECT_EQ(Field(r, ColPackaging), "Worek");
    EXPECT_EQ(Field(r, ColPrice), "3.00");
    EXPECT_EQ(Field(r, ColValue), "270.00");
    EXPECT_EQ(Field(r, ColTare), "10.00");
    // With the tare from the packaging: tare 1.50, net 98.50.
    r = Apply(MaterialEdit(zwir, true, tares, 2), kRow);
    EXPECT_EQ(Field(r, ColTare), "1.50");
    EXPECT_EQ(Field(r, ColNet), "98.50");
    EXPECT_EQ(Field(r, ColValue), "295.50");

    PickedEntry box;
    box.name = "Big bag";
    box.tare = "2.500";
    r = Apply(PackagingEdit(box, false, 2), kRow);
    EXPECT_EQ(r, Row("1", "100.00", "90.00", "10.00", "2.00", "180.00").replace("Paleta", "Big bag"));
    r = Apply(PackagingEdit(box, true, 2), kRow);
    EXPECT_EQ(Field(r, ColTare), "2.500");  // the picker's text as shown
    EXPECT_EQ(Field(r, ColNet), "97.50");
    EXPECT_EQ(Field(r, ColValue), "195.00");

    EXPECT_EQ(Field(Apply(TextEdit(ColOrder, ""), kRow), ColOrder), "");
    EXPECT_EQ(DeleteQuestion(kRow), QString::fromUtf8("Czy napewno usunąć zaznaczony pomiar 1 ?\nczas pobrania: "
                                                      "2024-05-17 14:03\nmasa brutto: 100.00\nmasa netto: 90.00"));
}

TEST_F(RangeTest, CurrentAndFollowingRowsAndOneFileWrite)
{
    QList<QByteArray> rows;
    for (int i = 1; i <= 5; ++i)
        rows << Row(QByteArray::number(i), "100.00", "90.00", "10.00", "2.00", "180.00");
    Fill(rows);
    const RangeEditResult r = ApplyToRange(table, TableStorage(dataDir), 2, 4, TextEdit(ColOrder, "WZ/9"));
    EXPECT_TRUE(r.file.ok);
    EXPECT_EQ(r.rowsChanged, 3);
    EXPECT_EQ(table.CurrentRow(), 2);
    EXPECT_EQ(Field(table.Line(1), ColOrder), "WZ1");
    EXPECT_EQ(Field(table.Line(4), ColOrder), "WZ/9");
    EXPECT_EQ(File(), TableBytes());
}

TEST_F(RangeTest, UnreadableCellStopsTheRangeKeepingDoneRows)
{
    Fill({kRow, Row("2", "100.00", "9O.00", "10.00", "2.00", "0"), kRow});
    const RangeEditResult r = ApplyToRange(table, TableStorage(dataDir), 0, 2, TareEdit(15, 2));
    EXPECT_EQ(r.rowsChanged, 1);
    EXPECT_EQ(r.cellError, QString("'9O.00' nie jest prawidłową liczbą."));
    EXPECT_EQ(Field(table.Line(0), ColTare), "15.00");
    EXPECT_EQ(Field(table.Line(2), ColTare), "10.00");
    EXPECT_EQ(File(), TableBytes());
}

TEST_F(RangeTest, ARowMissingFromItsFileIsReported)
{
    Fill({kRow});
    table.AddLine(Row("2", "1.00", "1.00", "0.00", "0.00", "0.00"));  // never written
    const RangeEditResult r = ApplyToRange(table, TableStorage(dataDir), 0, 1, TextEdit(ColOrder, "X"));
    EXPECT_FALSE(r.file.ok);
    EXPECT_EQ(r.file.message, MissingLineMessage(dataDir + "pomiary1.txt"));
    EXPECT_TRUE(r.file.message.contains("pomiary1.txt"));
    EXPECT_TRUE(r.file.lineMissing);
    EXPECT_EQ(r.rowsChanged, 1);
    EXPECT_EQ(Field(ReadAll(dataDir + "pomiary1.txt"), ColOrder), "X");  // the row that is there is written
    EXPECT_EQ(Field(table.Line(0), ColOrder), "X");
    EXPECT_EQ(Field(table.Line(1), ColOrder), "WZ1");  // not stored, so not shown either
}

// One rewrite must leave exactly what one ReplaceLine per row leaves, also
// with duplicate lines in the table and in the file.
TEST_F(RangeTest, OneRewriteEqualsRowByRowReplacesWithDuplicates)
{
    QRandomGenerator rng(20241209);
    for (int round = 0; round < 15; ++round) {
        QList<QByteArray> rows;
        const int n = 1 + int(rng.bounded(30));
        for (int i = 0; i < n; ++i)
            rows << Row(QByteArray::number(rng.bounded(4)), "1.00", "1.00", "0.00", "0.00", "0.00");
        const int first = int(rng.bounded(n));
        // Edits that may turn one duplicate into another.
        const QByteArray order = rng.bounded(2) ? QByteArray("WZ1") : QByteArray("WZ2");
        const LineEdit edit = TextEdit(ColOrder, order);

        Fill(rows);
        const TableStorage storage(dataDir);
        for (int row = first; row < n; ++row) {
            const QByteArray old = table.Line(row);
            QString e;
            const QByteArray now = *edit(old, e);
            table.SetLine(row, now);
            ASSERT_TRUE(ReplaceLine(storage, 1, old, now).ok);
        }
        const QByteArray oneByOne = File();

        Fill(rows);
        ASSERT_TRUE(ApplyToRange(table, storage, first, n - 1, edit).file.ok);
        ASSERT_EQ(File(), oneByOne) << "round " << round;
    }
}

// A line with more than 11 TABs is valid: the last field holds the rest.
// Corrections change only their own field and keep the rest as it is; a
// range edit goes past such a row.
TEST_F(RangeTest, RowsWithExtraTabsInTheLastFieldCanBeCorrected)
{
    const QByteArray wide = kRow + "\tul. Polna\t5";
    QString error;
    EXPECT_EQ(Apply(TareEdit(15, 2), wide), Row("1", "100.00", "85.00", "15.00", "2.00", "170.00") + "\tul. Polna\t5");
    EXPECT_EQ(Apply(GrossEdit(120, 2), wide), Row("1", "120.00", "110.00", "10.00", "2.00", "220.00") + "\tul. Polna\t5");
    EXPECT_EQ(Field(Apply(PriceEdit(3, 2), wide), ColValue), "270.00");
    EXPECT_TRUE(Apply(TextEdit(ColOrder, "WZ/2"), wide).endsWith("\tBudex\tul. Polna\t5"));
    EXPECT_EQ(Field(Apply(TextEdit(ColCustomer, "Firma"), wide), ColCustomer), "Firma");  // the field itself is replaced
    EXPECT_EQ(Apply(TextEdit(ColCustomer, "Firma"), wide).count('\t'), 11);
    // A TAB typed into a field is still refused.
    EXPECT_FALSE(TextEdit(ColOrder, "a\tb")(wide, error).has_value());

    Fill({kRow, wide, kRow});
    const RangeEditResult r = ApplyToRange(table, TableStorage(dataDir), 0, 2, TextEdit(ColOperator, "EWA"));
    EXPECT_EQ(r.rowsChanged, 3);
    EXPECT_TRUE(r.cellError.isEmpty());
    EXPECT_EQ(Field(table.Line(2), ColOperator), "EWA");
    EXPECT_EQ(File(), TableBytes());
}
