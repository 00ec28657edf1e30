// The dictionary files: their formats byte for byte, the Polish order, the
// guard against separators, save errors, and the search as a view that can
// never cost hidden rows.

#include "core/cp1250.h"
#include "dictionaries/dictionary.h"
#include "dictionaries/dictionary_model.h"
#include "support/temp_dir.h"
#include "tables/file_size_limit.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

QByteArray B(const char *utf8)
{
    return cp1250::EncodeLossy(QString::fromUtf8(utf8));
}

QList<QByteArray> Names(const Dictionary &d)
{
    QList<QByteArray> out;
    for (int i = 0; i < d.Count(); ++i)
        out << d.At(i).name;
    return out;
}

QList<QByteArray> ShownNames(const DictionaryModel &m)
{
    QList<QByteArray> out;
    for (int row = 0; row < m.rowCount(); ++row)
        out << m.dictionary().At(m.EntryOfRow(row)).name;
    return out;
}

class DictionaryTest : public ::testing::Test {
  protected:
    QTemporaryDir tmp;
    QString Dir() const { return tmp.path() + "/"; }
    QString FileOf(DictionaryKind k) const { return Dir() + QString::fromLatin1(Dictionary::FileName(k)); }
    Dictionary Loaded(DictionaryKind k, const QByteArray &bytes)
    {
        EXPECT_TRUE(WriteAll(FileOf(k), bytes));
        Dictionary d(k, tmp.path()); // no final '/': added
        EXPECT_TRUE(d.Load().ok);
        return d;
    }
};

} // namespace

TEST_F(DictionaryTest, MaterialLinesReadSortedAndWriteBackInTheirFormat)
{
    Dictionary d = Loaded(DictionaryKind::Material, B("Żwir\tBig bag\t12.50\r\n"
                                                      "piasek\t\t45.00\r\n"
                                                      "Cement\r\n"
                                                      "\r\n"
                                                      "Beton\tPaleta\t1.00\tstare pole\r\n"));
    ASSERT_EQ(d.Count(), 5);
    EXPECT_EQ(Names(d), (QList<QByteArray>{"", "Beton", "Cement", "piasek", B("Żwir")}));
    // A name, two TABs and a price: no default packaging.
    EXPECT_EQ(d.At(3), (DictionaryEntry{"piasek", "", "45.00"}));
    // A name only: empty packaging and price; an empty line: three empty fields.
    EXPECT_EQ(d.At(2), (DictionaryEntry{"Cement", "", ""}));
    EXPECT_EQ(d.At(0), DictionaryEntry{});

    ASSERT_TRUE(d.Save().ok);
    // Fields after the third are gone; every row has its two TABs.
    EXPECT_EQ(ReadAll(FileOf(DictionaryKind::Material)), B("\t\t\r\n"
                                                           "Beton\tPaleta\t1.00\r\n"
                                                           "Cement\t\t\r\n"
                                                           "piasek\t\t45.00\r\n"
                                                           "Żwir\tBig bag\t12.50\r\n"));
}

TEST_F(DictionaryTest, PackagingAndCustomerFiles)
{
    Dictionary p = Loaded(DictionaryKind::Packaging, "Worek\t0.25\tx\r\nPaleta\r\n");
    EXPECT_EQ(p.At(0), (DictionaryEntry{"Paleta", "", ""})); // no TAB: empty tare
    EXPECT_EQ(p.At(1), (DictionaryEntry{"Worek", "0.25", ""}));
    ASSERT_TRUE(p.Save().ok);
    EXPECT_EQ(ReadAll(FileOf(DictionaryKind::Packaging)), "Paleta\t\r\nWorek\t0.25\r\n");

    // The whole line is the name, a TAB included; an empty line is an empty name.
    Dictionary c = Loaded(DictionaryKind::Customer, "Zenon\r\n\r\nAdam\tKowalski\r\n");
    EXPECT_EQ(Names(c), (QList<QByteArray>{"", "Adam\tKowalski", "Zenon"}));
    ASSERT_TRUE(c.Save().ok);
    EXPECT_EQ(ReadAll(FileOf(DictionaryKind::Customer)), "\r\nAdam\tKowalski\r\nZenon\r\n");
    ASSERT_TRUE(c.Load().ok);
    EXPECT_EQ(c.Count(), 3);

    // A missing file is an empty list; the first save creates it.
    Dictionary none(DictionaryKind::Material, Dir());
    ASSERT_TRUE(none.Load().ok);
    EXPECT_EQ(none.Count(), 0);
}

TEST_F(DictionaryTest, PolishOrderKeptOnInsertAndRename)
{
    Dictionary d = Loaded(DictionaryKind::Customer, B("Młyn\r\nLas\r\nŁąka\r\nćma\r\nCzajka\r\nZając\r\nŹródło\r\n"));
    EXPECT_EQ(Names(d), (QList<QByteArray>{"Czajka", B("ćma"), "Las", B("Łąka"), B("Młyn"), B("Zając"), B("Źródło")}));

    EXPECT_EQ(d.Insert({"Dąb", {}, {}}), 2);
    EXPECT_EQ(d.Insert({B("żuraw"), {}, {}}), 8);
    // An equal name goes after the one already there.
    EXPECT_EQ(d.Insert({"Las", {}, {}}), 4);
    EXPECT_EQ(d.Count(), 10);

    // Renaming moves the row to its new place.
    const int renamed = d.Rename(0, "Wilk");
    EXPECT_EQ(d.At(renamed).name, "Wilk");
    EXPECT_EQ(Names(d), (QList<QByteArray>{B("ćma"), "Dąb", "Las", "Las", B("Łąka"), B("Młyn"), "Wilk", B("Zając"),
                                           B("Źródło"), B("żuraw")}));
}

TEST_F(DictionaryTest, NoFieldCanHoldASeparatorOfItsLine)
{
    Dictionary m = Loaded(DictionaryKind::Material, "Piasek\t\t1.00\r\n");
    EXPECT_EQ(m.Insert({"WZ\t12", {}, "1.00"}), -1);
    EXPECT_EQ(m.Insert({"Zwir\r\n3", {}, "1.00"}), -1);
    EXPECT_EQ(m.Insert({"Zwir", "Worek\t1", "1.00"}), -1);
    EXPECT_EQ(m.Rename(0, "A\tB"), -1);
    EXPECT_FALSE(m.SetSecond(0, "Big\nbag"));
    EXPECT_FALSE(m.SetThird(0, "1\t2"));
    EXPECT_EQ(m.Count(), 1);
    EXPECT_EQ(m.At(0), (DictionaryEntry{"Piasek", "", "1.00"}));

    Dictionary c = Loaded(DictionaryKind::Customer, "");
    EXPECT_EQ(c.Insert({"Jan\rKowalski", {}, {}}), -1);
    EXPECT_EQ(c.Insert({"Jan\tKowalski", {}, {}}), 0); // no separator in this file
}

TEST_F(DictionaryTest, SaveErrorsLeaveTheFileAndKeepTheChange)
{
    Dictionary lost(DictionaryKind::Material, Dir() + "brak");
    lost.Insert({"Piasek", {}, "1.00"});
    DictionaryResult r = lost.Save();
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, QString::fromUtf8("Błąd (1) przy zapisie do pliku: ") + Dir() +
                             QString::fromUtf8("brak/materialy.txt.\nBrak miejsca na dysku lub dysk zabezpieczony "
                                               "przed zapisem."));
    EXPECT_EQ(lost.Count(), 1);

    // A disk that fills up on the third line.
    const QByteArray before = "a\t\t1.00\r\n";
    Dictionary d = Loaded(DictionaryKind::Material, before);
    d.Insert({"b", {}, "2.00"});
    d.Insert({"c" + QByteArray(40000, 'x'), {}, "3.00"});
    {
        FileSizeLimit limit(100);
        r = d.Save();
    }
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message,
              QString::fromUtf8("Błąd (2) przy zapisie do pliku: ") + FileOf(DictionaryKind::Material) +
                  QString::fromUtf8(" linia 3.\nBrak miejsca na dysku lub dysk zabezpieczony przed zapisem."));
    EXPECT_EQ(ReadAll(FileOf(DictionaryKind::Material)), before);
    EXPECT_EQ(d.Count(), 3);
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files), QStringList{"materialy.txt"}); // no temporary left
}

TEST_F(DictionaryTest, AFileThatCannotBeReadIsNeverWrittenOver)
{
    // A folder in place of the file: it exists but cannot be read.
    ASSERT_TRUE(QDir().mkpath(FileOf(DictionaryKind::Packaging)));
    Dictionary d(DictionaryKind::Packaging, Dir());
    DictionaryResult r = d.Load();
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(
        r.message.startsWith(QString::fromUtf8("Błąd przy odczycie pliku: ") + FileOf(DictionaryKind::Packaging)));
    EXPECT_TRUE(d.LoadFailed());
    d.Insert({"Worek", "0.25", {}});
    EXPECT_FALSE(d.Save().ok);
    EXPECT_TRUE(QFileInfo(FileOf(DictionaryKind::Packaging)).isDir());

    // Readable again: the next load clears the block.
    ASSERT_TRUE(QDir().rmdir(FileOf(DictionaryKind::Packaging)));
    ASSERT_TRUE(d.Load().ok);
    d.Insert({"Worek", "0.25", {}});
    EXPECT_TRUE(d.Save().ok);
}

TEST_F(DictionaryTest, SearchStartsAtTheThirdCharacterOverTheWholeUpperCasedLine)
{
    Dictionary d = Loaded(DictionaryKind::Material, B("żwir płukany\tBig bag\t12.50\r\n"
                                                      "Piasek\tWorek\t45.00\r\n"
                                                      "Cement\t\t7.25\r\n"));
    DictionaryModel m(d);
    EXPECT_FALSE(m.SetSearch("PI")); // two characters: nothing happens
    EXPECT_FALSE(m.SearchActive());
    EXPECT_EQ(m.rowCount(), 3);

    EXPECT_TRUE(m.SetSearch(B("ŻWI")));
    EXPECT_TRUE(m.SearchActive());
    EXPECT_EQ(ShownNames(m), QList<QByteArray>{B("żwir płukany")});
    EXPECT_TRUE(m.SetSearch(B("ŁUK"))); // Polish letters inside a word
    EXPECT_EQ(m.rowCount(), 1);
    EXPECT_TRUE(m.SetSearch("WOR")); // only in the packaging field
    EXPECT_EQ(ShownNames(m), QList<QByteArray>{"Piasek"});
    EXPECT_TRUE(m.SetSearch("7.25")); // only in the price field
    EXPECT_EQ(ShownNames(m), QList<QByteArray>{"Cement"});
    EXPECT_TRUE(m.SetSearch("XYZ"));
    EXPECT_EQ(m.rowCount(), 0);

    // Back to two characters: the search ends, every row is shown again.
    EXPECT_TRUE(m.SetSearch("XY"));
    EXPECT_FALSE(m.SearchActive());
    EXPECT_EQ(m.rowCount(), 3);
    EXPECT_FALSE(m.SetSearch(""));
}

TEST_F(DictionaryTest, ASaveDuringASearchWritesEveryRow)
{
    Dictionary d = Loaded(DictionaryKind::Material, "Beton\t\t1.00\r\nCement\t\t2.00\r\nPiasek\t\t3.00\r\n");
    DictionaryModel m(d);
    ASSERT_TRUE(m.SetSearch("PIA"));
    ASSERT_EQ(m.rowCount(), 1);
    ASSERT_EQ(m.RowOfEntry(0), -1); // Beton is hidden

    const int piasek = m.EntryOfRow(0);
    ASSERT_TRUE(d.SetThird(piasek, "3.50"));
    ASSERT_TRUE(d.Save().ok);
    m.Refresh();
    EXPECT_EQ(ReadAll(FileOf(DictionaryKind::Material)), "Beton\t\t1.00\r\nCement\t\t2.00\r\nPiasek\t\t3.50\r\n");
    EXPECT_EQ(m.rowCount(), 1);

    // A row renamed out of the search leaves the view, not the dictionary.
    d.Rename(piasek, "Gips");
    ASSERT_TRUE(d.Save().ok);
    m.Refresh();
    EXPECT_EQ(m.rowCount(), 0);
    EXPECT_EQ(ReadAll(FileOf(DictionaryKind::Material)), "Beton\t\t1.00\r\nCement\t\t2.00\r\nGips\t\t3.50\r\n");
}
