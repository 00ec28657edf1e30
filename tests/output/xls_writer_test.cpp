#include "output/xls_writer.h"
#include "support/qt_printers.h"
#include "support/temp_dir.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QtEndian>
#include <gtest/gtest.h>

#include <limits>
#include <sys/stat.h>

namespace {

// tests/output/xls_check.py: the sheet as xlrd reads it, or the record
// structure xlrd does not look at.
QStringList Check(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"),
            QStringList{QStringLiteral(POMIARY_SOURCE_DIR "/tests/output/xls_check.py")} + args);
    if (!p.waitForFinished(180000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return {QStringLiteral("checker failed: ") + QString::fromUtf8(p.readAllStandardError())};
    return QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
}

QStringList Cells(const QString &path, const QStringList &rows = {})
{
    return Check(QStringList{QStringLiteral("cells"), path} + rows);
}

QStringList Records(const QString &path)
{
    return Check({QStringLiteral("records"), path});
}

// A second, independent reader of the compound file: file(1) finds the
// workbook's class in the directory, which it reaches through the FAT.
bool FileSaysExcel(const QString &path)
{
    if (!QFileInfo::exists(QStringLiteral("/usr/bin/file")))
        return true; // nothing to ask
    QProcess p;
    p.start(QStringLiteral("/usr/bin/file"), {QStringLiteral("-b"), path});
    p.waitForFinished(30000);
    const QString type = QString::fromUtf8(p.readAllStandardOutput());
    return type.startsWith(QStringLiteral("CDFV2 Microsoft Excel"));
}

SheetCell Int(double v)
{
    return {SheetCell::Kind::Integer, {}, v, 0};
}
SheetCell Num(double v, int decimals)
{
    return {SheetCell::Kind::Number, {}, v, decimals};
}
SheetCell Date(double serial)
{
    return {SheetCell::Kind::DateTime, {}, serial, 0};
}
SheetCell Text(const QString &t)
{
    return SheetCell::Text(t);
}

SheetSource Source(const QStringList &headings, const QList<QList<SheetCell>> &rows)
{
    SheetSource s;
    s.headings = headings;
    s.rows = int(rows.size());
    s.cells = [rows](int r) { return rows[r]; };
    return s;
}

QString Line(int row, int col, const char *type, const QString &value, const QString &format)
{
    return QStringLiteral("%1\t%2\t%3\t%4\t%5").arg(row).arg(col).arg(QString::fromLatin1(type), value, format);
}

quint32 HeaderField(const QByteArray &file, int offset)
{
    return qFromLittleEndian<quint32>(file.constData() + offset);
}

class Xls : public ::testing::Test {
  protected:
    QString Path(const char *name) const { return tmp.filePath(QString::fromLatin1(name)); }
    QStringList Entries() const
    {
        return QDir(tmp.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }

    QTemporaryDir tmp;
};

const QString kDateFormat = QStringLiteral("yyyy\\-mm\\-dd hh:mm");

TEST_F(Xls, EveryCellWithItsTypeValueAndFormat)
{
    const SheetSource source =
        Source({"nr", "czas pobrania", "brutto", "netto", "zamówienie", "materiał", "dostawca / klient"},
               {
                   {Int(1), Date(45356 + 847 / 1440.0), Num(12.34, 2), Num(-0.5, 2), Text("WZ/1"),
                    Text("Żółć gęślą jaźń"), Text("ĄĆĘŁŃÓŚŹŻ ąćęłńóśźż")},
                   // Midnight is a whole number; empty texts are no cells.
                   {Int(-5), Date(45292), Num(0.07, 3), Num(-1.125, 3), {}, Text(""), Text("Zółw ó")},
                   {{}, {}, {}},
                   {Int(123456789012.0), {}, Num(0.1 + 0.2, 2), Num(7, 0), Num(3.14159265, 8), Num(-0.0, 1)},
                   {Text("koniec")},
                   {{}, {}, Num(std::numeric_limits<double>::quiet_NaN(), 2)},
               });
    ASSERT_TRUE(WriteXls(Path("a.xls"), source));
    const QString g = QStringLiteral("General");
    const QStringList expected = {
        "sheets\t1\tArkusz1",
        "size\t7\t7",
        Line(0, 0, "text", "nr", g),
        Line(0, 1, "text", "czas pobrania", g),
        Line(0, 2, "text", "brutto", g),
        Line(0, 3, "text", "netto", g),
        Line(0, 4, "text", "zamówienie", g),
        Line(0, 5, "text", "materiał", g),
        Line(0, 6, "text", "dostawca / klient", g),
        Line(1, 0, "number", "1.0", "0"),
        Line(1, 1, "date", "45356.58819444444 2024-03-05 14:07", kDateFormat),
        Line(1, 2, "number", "12.34", "0.00"),
        Line(1, 3, "number", "-0.5", "0.00"),
        Line(1, 4, "text", "WZ/1", g),
        Line(1, 5, "text", "Żółć gęślą jaźń", g),
        Line(1, 6, "text", "ĄĆĘŁŃÓŚŹŻ ąćęłńóśźż", g),
        Line(2, 0, "number", "-5.0", "0"),
        Line(2, 1, "date", "45292.0 2024-01-01 00:00", kDateFormat),
        Line(2, 2, "number", "0.07", "0.000"),
        Line(2, 3, "number", "-1.125", "0.000"),
        Line(2, 6, "text", "Zółw ó", g),
        Line(4, 0, "number", "123456789012.0", "0"),
        Line(4, 2, "number", "0.30000000000000004", "0.00"),
        Line(4, 3, "number", "7.0", "0"),
        Line(4, 4, "number", "3.14159265", "0.00000000"),
        Line(4, 5, "number", "-0.0", "0.0"),
        Line(5, 0, "text", "koniec", g),
        // Not a number a sheet can hold.
        Line(6, 2, "error", "#NUM!", g),
    };
    EXPECT_EQ(Cells(Path("a.xls")), expected);
    EXPECT_EQ(Records(Path("a.xls")), QStringList({"sst\tstrings=12\trecords=1", "ok"}));
    EXPECT_TRUE(FileSaysExcel(Path("a.xls")));
}

TEST_F(Xls, LongAndManyTextsContinueAcrossRecordsAndShareEntries)
{
    QList<QList<SheetCell>> rows;
    QStringList texts;
    for (int i = 0; i < 3000; ++i) {
        // Lengths vary so the record ends fall on headers, 8-bit and 16-bit characters.
        const QString t =
            (i % 2 ? QStringLiteral("łódź ") : QStringLiteral("lodz ")) + QString(i % 37, 'x') + QString::number(i);
        texts.append(t);
        rows.append({Text(t), Text(texts[i / 2])}); // the second column repeats earlier texts
    }
    const QString wide = QString(20000, QChar(0x0142)); // ł: ~40 KB in one string
    const QString narrow = QString(40000, 'a');         // beyond a cell: cut at 32767
    rows.append({Text(wide), Text(narrow)});
    ASSERT_TRUE(WriteXls(Path("t.xls"), Source({"a", "b"}, rows)));

    const QStringList cells = Cells(Path("t.xls"));
    ASSERT_EQ(cells.size(), 2 + 2 + 2 * 3001) << cells.first().toStdString();
    for (int i = 0; i < 3000; ++i) {
        ASSERT_EQ(cells[4 + 2 * i], Line(i + 1, 0, "text", texts[i], "General"));
        ASSERT_EQ(cells[5 + 2 * i], Line(i + 1, 1, "text", texts[i / 2], "General"));
    }
    EXPECT_EQ(cells[4 + 6000], Line(3001, 0, "text", wide, "General"));
    EXPECT_EQ(cells[5 + 6000], Line(3001, 1, "text", QString(32767, 'a'), "General"));

    const QStringList records = Records(Path("t.xls"));
    ASSERT_EQ(records.size(), 2);
    EXPECT_EQ(records[1], "ok");
    // Repeated texts are stored once.
    EXPECT_TRUE(records[0].startsWith("sst\tstrings=3004\trecords=")) << records[0].toStdString();
    EXPECT_GT(records[0].section('=', 2).toInt(), 10);
}

TEST_F(Xls, AFullSheetNeedsMoreThan109FatSectors)
{
    const QStringList materials = {"Piasek płukany", "Żwir", "Cement", "Złom stalowy", "Kruszywo"};
    SheetSource source;
    source.headings = {"nr",      "czas pobrania", "brutto",   "netto",      "tara",     "cena",
                       "wartość", "zamówienie",    "materiał", "opakowanie", "operator", "dostawca / klient"};
    source.rows = kXlsMaxRows - 1;
    source.cells = [&](int r) {
        return QList<SheetCell>{Int(r + 1),
                                Date(45292 + r / 1440.0),
                                Num(500 + r * 0.01, 2),
                                Num(480 + r * 0.01, 2),
                                Num(20, 2),
                                Num(12.5, 3),
                                Num((480 + r * 0.01) * 12.5, 2),
                                Text(QStringLiteral("WZ/%1").arg(r)),
                                Text(materials[r % 5]),
                                Text("Paleta"),
                                Text("KOWALSKI"),
                                Text(r % 2 ? "Budex" : "Łączbud")};
    };
    ASSERT_TRUE(WriteXls(Path("full.xls"), source));

    const QByteArray file = ReadAll(Path("full.xls"));
    EXPECT_GT(HeaderField(file, 44), 109u); // FAT sectors
    EXPECT_GE(HeaderField(file, 72), 1u);   // DIFAT sectors
    EXPECT_EQ((file.size() - 512) % 512, 0);

    const QStringList cells = Cells(Path("full.xls"), {"0", "65534", "65535"});
    ASSERT_GE(cells.size(), 2);
    EXPECT_EQ(cells[1], "size\t65536\t12");
    const QStringList last = cells.mid(2 + 12);
    const QStringList expected = {
        Line(65534, 0, "number", "65534.0", "0"),
        Line(65534, 1, "date", "45337.50902777778 2024-02-15 12:13", kDateFormat),
        Line(65534, 2, "number", "1155.33", "0.00"),
        Line(65534, 3, "number", "1135.33", "0.00"),
        Line(65534, 4, "number", "20.0", "0.00"),
        Line(65534, 5, "number", "12.5", "0.000"),
        Line(65534, 6, "number", "14191.625", "0.00"),
        Line(65534, 7, "text", "WZ/65533", "General"),
        Line(65534, 8, "text", "Złom stalowy", "General"),
        Line(65534, 9, "text", "Paleta", "General"),
        Line(65534, 10, "text", "KOWALSKI", "General"),
        Line(65534, 11, "text", "Budex", "General"),
        Line(65535, 0, "number", "65535.0", "0"),
        Line(65535, 1, "date", "45337.509722222225 2024-02-15 12:14", kDateFormat),
        Line(65535, 2, "number", "1155.3400000000001", "0.00"),
        Line(65535, 3, "number", "1135.3400000000001", "0.00"),
        Line(65535, 4, "number", "20.0", "0.00"),
        Line(65535, 5, "number", "12.5", "0.000"),
        Line(65535, 6, "number", "14191.750000000002", "0.00"),
        Line(65535, 7, "text", "WZ/65534", "General"),
        Line(65535, 8, "text", "Kruszywo", "General"),
        Line(65535, 9, "text", "Paleta", "General"),
        Line(65535, 10, "text", "KOWALSKI", "General"),
        Line(65535, 11, "text", "Łączbud", "General"),
    };
    EXPECT_EQ(last, expected);
    const QStringList records = Records(Path("full.xls"));
    ASSERT_FALSE(records.isEmpty());
    EXPECT_EQ(records.last(), "ok") << records.join('\n').left(2000).toStdString();
    EXPECT_TRUE(FileSaysExcel(Path("full.xls")));
}

TEST_F(Xls, WhatDoesNotFitIsRefusedBeforeAnythingIsWritten)
{
    int calls = 0;
    SheetSource tooLong;
    tooLong.headings = {"nr"};
    tooLong.rows = kXlsMaxRows; // with the headings one more than a sheet has
    tooLong.cells = [&](int) {
        ++calls;
        return QList<SheetCell>{Int(1)};
    };
    EXPECT_FALSE(WriteXls(Path("long.xls"), tooLong));
    EXPECT_EQ(calls, 0);

    SheetSource tooWide;
    for (int c = 0; c <= kXlsMaxColumns; ++c)
        tooWide.headings.append(QString::number(c));
    EXPECT_FALSE(WriteXls(Path("wide.xls"), tooWide));

    QList<SheetCell> row(kXlsMaxColumns);
    row.append(Int(257)); // column IW
    EXPECT_FALSE(WriteXls(Path("wide.xls"), Source({"nr"}, {row})));
    EXPECT_EQ(Entries(), QStringList());

    // Empty cells past the last column are no cells.
    row.last() = {};
    EXPECT_TRUE(WriteXls(Path("wide.xls"), Source({"nr"}, {row})));
}

TEST_F(Xls, FailuresLeaveNothingBehindAndTheOldFileWhole)
{
    const SheetSource ok = Source({"nr"}, {{Int(1)}});
    EXPECT_FALSE(WriteXls(Path("brak/a.xls"), ok));
    EXPECT_FALSE(QFileInfo::exists(Path("brak")));

    WriteAll(Path("ro.xls"), "old");
    ::chmod(QFile::encodeName(Path("ro.xls")).constData(), 0444);
    EXPECT_FALSE(WriteXls(Path("ro.xls"), ok));
    EXPECT_EQ(ReadAll(Path("ro.xls")), QByteArray("old"));

    // A source that gives other cells when read again for writing.
    WriteAll(Path("old.xls"), "old");
    int reads = 0;
    SheetSource changing;
    changing.headings = {"a"};
    changing.rows = 1;
    changing.cells = [&](int) { return QList<SheetCell>{Text(++reads == 1 ? "first" : "second")}; };
    EXPECT_FALSE(WriteXls(Path("old.xls"), changing));
    EXPECT_EQ(reads, 2);
    EXPECT_EQ(ReadAll(Path("old.xls")), QByteArray("old"));

    EXPECT_EQ(Entries(), QStringList({"old.xls", "ro.xls"}));
}

TEST_F(Xls, AnExistingFileIsReplacedWholeAndSmallSheetsStayValid)
{
    QList<QList<SheetCell>> many;
    for (int i = 0; i < 2000; ++i)
        many.append({Int(i), Text(QStringLiteral("wiersz %1").arg(i))});
    ASSERT_TRUE(WriteXls(Path("a.xls"), Source({"nr", "opis"}, many)));
    const qint64 bigSize = QFileInfo(Path("a.xls")).size();

    // Below 4096 bytes the stream lives in the mini stream.
    ASSERT_TRUE(WriteXls(Path("a.xls"), Source({"nr", "opis"}, {{Int(7), Text("jeden")}})));
    EXPECT_LT(QFileInfo(Path("a.xls")).size(), bigSize);
    EXPECT_EQ(Cells(Path("a.xls")),
              QStringList({"sheets\t1\tArkusz1", "size\t2\t2", Line(0, 0, "text", "nr", "General"),
                           Line(0, 1, "text", "opis", "General"), Line(1, 0, "number", "7.0", "0"),
                           Line(1, 1, "text", "jeden", "General")}));
    EXPECT_EQ(Records(Path("a.xls")).last(), "ok");
    EXPECT_TRUE(FileSaysExcel(Path("a.xls")));
    EXPECT_EQ(Entries(), QStringList{"a.xls"});

    // Nothing at all: still a workbook with its one sheet.
    ASSERT_TRUE(WriteXls(Path("a.xls"), SheetSource{}));
    EXPECT_EQ(Cells(Path("a.xls")), QStringList({"sheets\t1\tArkusz1", "size\t0\t0"}));
    EXPECT_EQ(Records(Path("a.xls")), QStringList({"sst\tstrings=0\trecords=1", "ok"}));
}

} // namespace
