#include "core/cp1250.h"
#include "core/program_config.h"
#include "output/excel_export.h"
#include "output/spreadsheet.h"
#include "support/qt_printers.h"
#include "support/scripted_prompts.h"
#include "support/temp_dir.h"
#include "tables/measurement_table.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

// Every cell as an independent reader sees it: "row col type value format".
QStringList ReadBack(const QString &path, const QStringList &mode = {})
{
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"),
            QStringList{QStringLiteral(POMIARY_SOURCE_DIR "/tests/output/read_sheet.py"), path} + mode);
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return {QStringLiteral("reader failed: ") + QString::fromUtf8(p.readAllStandardError())};
    return QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
}

const QByteArray kRows[] = {
    "1\t2024-05-17 14:03\t525.00\t500.00\t25.00\t12.50\t6250.00\tWZ/1\tPiasek p\xb3ukany\tPaleta\tKOWALSKI\tBudex",
    "2\t2024-12-31 23:59\t0050.5\t(45.5)\t5.000\t-2.00\t-91.00\t\t\xafwir\t\tNOWAK\t",
    // Masses as the scale sent them.
    "x7\tp\xf3\x9f" "no\t12,50\t[1.5]\t+0033.5\t\t\t\t\t\t\tZ\xb3om",
};

class Export : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const QByteArray &row : kRows)
            table.AddLine(row);
    }
    bool Run(int version)
    {
        ExcelExportContext ctx{table, version, tmp.path(), now, prompts, [this](bool on) { busy += on ? 1 : 0; }};
        return ExportTableToExcel(ctx);
    }
    QString Path(const char *name) const { return tmp.filePath(QString::fromLatin1(name)); }

    QTemporaryDir tmp;
    MeasurementTable table{2};
    ScriptedPrompts prompts;
    QDateTime now{QDate(2024, 3, 5), QTime(14, 7, 9)};
    int busy = 0;
};

const QStringList kExpected = {
    "1\t1\ttext\tnr\tGeneral", "1\t2\ttext\tczas pobrania\tGeneral", "1\t3\ttext\tbrutto\tGeneral",
    "1\t4\ttext\tnetto\tGeneral", "1\t5\ttext\ttara\tGeneral", "1\t6\ttext\tcena\tGeneral",
    "1\t7\ttext\twartość\tGeneral", "1\t8\ttext\tzamówienie\tGeneral", "1\t9\ttext\tmateriał\tGeneral",
    "1\t10\ttext\topakowanie\tGeneral", "1\t11\ttext\toperator\tGeneral", "1\t12\ttext\tdostawca / klient\tGeneral",
    // Typed cells with the decimals of their text.
    "2\t1\tnumber\t1.0\t0", "2\t2\tdate\t2024-05-17 14:03\tyyyy\\-mm\\-dd hh:mm", "2\t3\tnumber\t525.0\t0.00",
    "2\t4\tnumber\t500.0\t0.00", "2\t5\tnumber\t25.0\t0.00", "2\t6\tnumber\t12.5\t0.00",
    "2\t7\tnumber\t6250.0\t0.00", "2\t8\ttext\tWZ/1\tGeneral", "2\t9\ttext\tPiasek płukany\tGeneral",
    "2\t10\ttext\tPaleta\tGeneral", "2\t11\ttext\tKOWALSKI\tGeneral", "2\t12\ttext\tBudex\tGeneral",
    "3\t1\tnumber\t2.0\t0", "3\t2\tdate\t2024-12-31 23:59\tyyyy\\-mm\\-dd hh:mm", "3\t3\tnumber\t50.5\t0.0",
    // A bracketed net is text as shown.
    "3\t4\ttext\t(45.5)\tGeneral", "3\t5\tnumber\t5.0\t0.000", "3\t6\tnumber\t-2.0\t0.00",
    "3\t7\tnumber\t-91.0\t0.00", "3\t9\ttext\tŻwir\tGeneral", "3\t11\ttext\tNOWAK\tGeneral",
    // Not numbers, not a time: text exactly as shown; empty cells stay empty;
    // masses with a comma or a sign are numbers.
    "4\t1\ttext\tx7\tGeneral", "4\t2\ttext\tpóźno\tGeneral", "4\t3\tnumber\t12.5\t0.00",
    "4\t4\ttext\t[1.5]\tGeneral", "4\t5\tnumber\t33.5\t0.0", "4\t12\ttext\tZłom\tGeneral", "rows 4",
};

}  // namespace

TEST_F(Export, XlsxCellsAndTypesAsAReaderSeesThem)
{
    prompts.saveAnswers = {Path("a.xlsx")};
    ASSERT_TRUE(Run(1));
    EXPECT_EQ(ReadBack(Path("a.xlsx")), kExpected);
    ASSERT_EQ(prompts.saveDialogs.size(), 1);
    const UserPrompts::SaveDialog &d = prompts.saveDialogs[0];
    EXPECT_EQ(d.objectName, QString("SD1"));
    EXPECT_EQ(d.title, QString("Zapisz pomiary..."));
    EXPECT_EQ(d.directory, tmp.path());
    EXPECT_EQ(d.suggestedName, QString("tab_2_20240305_140709.xlsx"));
    EXPECT_EQ(d.filter, QString("*.xlsx (*.xlsx)"));
    EXPECT_EQ(prompts.MessageTexts(), QStringList{"Pomiary zapisano do pliku: " + Path("a.xlsx")});
    EXPECT_EQ(prompts.messages[0].icon, UserPrompts::Icon::Information);
    EXPECT_EQ(busy, 1);
}

TEST_F(Export, XlsCellsAndTypesAsAReaderSeesThem)
{
    prompts.saveAnswers = {Path("a.xls")};
    ASSERT_TRUE(Run(0));
    EXPECT_EQ(ReadBack(Path("a.xls")), kExpected);
    EXPECT_EQ(prompts.saveDialogs[0].suggestedName, QString("tab_2_20240305_140709.xls"));
    EXPECT_EQ(prompts.saveDialogs[0].filter, QString("*.xls (*.xls)"));
}

TEST_F(Export, EmptyTableCancelAndTheOverwriteQuestion)
{
    MeasurementTable empty(1);
    ExcelExportContext ctx{empty, 1, tmp.path(), now, prompts, {}};
    EXPECT_FALSE(ExportTableToExcel(ctx));
    EXPECT_EQ(prompts.MessageTexts(), QStringList{"Tabela z pomiarami jest pusta!"});
    EXPECT_TRUE(prompts.saveDialogs.isEmpty());

    prompts = ScriptedPrompts();
    prompts.saveAnswers = {std::nullopt};
    EXPECT_FALSE(Run(1));
    EXPECT_TRUE(prompts.messages.isEmpty());

    // "Nie" keeps the file as it was; "Tak" replaces it whole.
    WriteAll(Path("b.xlsx"), "old");
    prompts.saveAnswers = {Path("b.xlsx"), Path("b.xlsx")};
    prompts.answers = {false, true};
    EXPECT_FALSE(Run(1));
    EXPECT_EQ(ReadAll(Path("b.xlsx")), QByteArray("old"));
    EXPECT_TRUE(Run(1));
    EXPECT_EQ(prompts.questions, QStringList(2, QString::fromUtf8("Plik docelowy już istnieje, czy nadpisać go?")));
    EXPECT_EQ(ReadBack(Path("b.xlsx")), kExpected);
}

// Replacing a file writes through a link to its target and keeps its mode.
TEST_F(Export, AnExistingFileKeepsItsLinkAndMode)
{
    QDir().mkpath(Path("wspolne"));
    WriteAll(Path("wspolne/dzienny.xlsx"), "old");
    ASSERT_TRUE(QFile::setPermissions(Path("wspolne/dzienny.xlsx"),
                                      QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup));
    ASSERT_TRUE(QFile::link(Path("wspolne/dzienny.xlsx"), Path("dzienny.xlsx")));
    prompts.saveAnswers = {Path("dzienny.xlsx")};
    prompts.answers = {true};
    ASSERT_TRUE(Run(1));
    EXPECT_TRUE(QFileInfo(Path("dzienny.xlsx")).isSymLink());
    EXPECT_EQ(ReadBack(Path("wspolne/dzienny.xlsx")), kExpected);
    EXPECT_EQ(QFile::permissions(Path("wspolne/dzienny.xlsx")) & 0x0777, QFileDevice::Permissions(0x0640));
}

TEST_F(Export, FailuresLeaveNoPartialFileAndTheOldOneWhole)
{
    // A folder in the file's place cannot be deleted.
    QDir().mkpath(Path("dir.xlsx"));
    prompts.saveAnswers = {Path("dir.xlsx")};
    prompts.answers = {true};
    EXPECT_FALSE(Run(1));
    EXPECT_EQ(prompts.MessageTexts(), QStringList{QString::fromUtf8("Błąd podczas usuwania pliku. Upewnij się że plik "
                                                                    "nie jest otwarty!\nZapisywanie raportu zostało "
                                                                    "przerwane.")});
    // A folder that cannot be written: "Błąd zapisu do pliku.", and nothing there.
    for (int version : {0, 1}) {
        prompts = ScriptedPrompts();
        const QString missing = tmp.filePath(QStringLiteral("brak/t.") + (version ? "xlsx" : "xls"));
        prompts.saveAnswers = {missing};
        EXPECT_FALSE(Run(version));
        EXPECT_EQ(prompts.MessageTexts(), QStringList{QString::fromUtf8("Błąd zapisu do pliku.")});
        EXPECT_FALSE(QFileInfo::exists(missing));
    }
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
}

TEST_F(Export, BothFormatsFreezeTheHeadingsAndSizeColumnsToTheirTexts)
{
    for (const int version : {0, 1}) {
        const QString path = Path(version ? "w.xlsx" : "w.xls");
        prompts.saveAnswers = {path};
        ASSERT_TRUE(Run(version));
        // Widest text + 2, at least 10: the date 18, "Piasek płukany" 16, "dostawca / klient" 19.
        EXPECT_EQ(ReadBack(path, {"layout"}),
                  QStringList({"frozen\t1\t0", "widths\t10\t18\t10\t10\t10\t10\t10\t12\t16\t12\t10\t19"}))
            << path.toStdString();
    }
}

// A hand-edited field beyond a cell's 32767 characters: the file is written,
// the field cut, and one message names the sheet rows.
TEST_F(Export, FieldsLongerThanACellAreCutAndTheirRowsNamed)
{
    const QByteArray longText(40000, 'a');
    table.AddLine("3\t\t\t\t\t\t\t\t" + longText + "\t\t\t" + longText);  // sheet row 5, two fields
    ASSERT_TRUE(table.SetCell(0, ColOrder, longText));                       // sheet row 2
    for (const int version : {0, 1}) {
        prompts = ScriptedPrompts();
        const QString path = Path(version ? "c.xlsx" : "c.xls");
        prompts.saveAnswers = {path};
        ASSERT_TRUE(Run(version));
        EXPECT_EQ(prompts.MessageTexts(),
                  QStringList({"Pomiary zapisano do pliku: " + path,
                               QString::fromUtf8("Pola dłuższe niż 32767 znaków skrócono w wierszach arkusza: 2, 5.")}));
        const QStringList cells = ReadBack(path);
        const QString cut = QString(32767, 'a');
        EXPECT_TRUE(cells.contains("2\t8\ttext\t" + cut + "\tGeneral")) << path.toStdString();
        EXPECT_TRUE(cells.contains("5\t9\ttext\t" + cut + "\tGeneral"));
        EXPECT_TRUE(cells.contains("5\t12\ttext\t" + cut + "\tGeneral"));
        EXPECT_EQ(ReadBack(path, {"layout"}).value(1).section('\t', 8, 9), QString("102\t102"));
    }
}

TEST_F(Export, AnXlsHoldsAtMost65535Rows)
{
    MeasurementTable big(1);
    for (int i = 0; i < 65536; ++i)
        big.AddLine(kRows[0]);
    ExcelExportContext ctx{big, 0, tmp.path(), now, prompts, {}};
    EXPECT_FALSE(ExportTableToExcel(ctx));
    EXPECT_EQ(prompts.MessageTexts(), QStringList{TooManyRowsForXlsMessage(65536)});
    EXPECT_TRUE(prompts.saveDialogs.isEmpty());  // refused before anything
}

TEST(SheetCells, Classification)
{
    EXPECT_EQ(ClassifyCell(0, "12").kind, SheetCell::Kind::Integer);
    EXPECT_EQ(ClassifyCell(0, "1234567890123456789").kind, SheetCell::Kind::Text);  // beyond exact doubles
    EXPECT_EQ(ClassifyCell(0, "-3").number, -3.0);
    EXPECT_EQ(ClassifyCell(1, "2024-02-30 10:00").kind, SheetCell::Kind::Text);
    EXPECT_DOUBLE_EQ(ClassifyCell(1, "1900-03-01 12:00").number, 61.5);
    EXPECT_EQ(ClassifyCell(0, "+3").kind, SheetCell::Kind::Text);
    EXPECT_EQ(ClassifyCell(7, "123").kind, SheetCell::Kind::Text);  // an order number stays text
    EXPECT_EQ(ClassifyCell(3, "").kind, SheetCell::Kind::Empty);
    EXPECT_EQ(NumberFormat(0), QString("0"));
    EXPECT_EQ(NumberFormat(3), QString("0.000"));
}

TEST(SheetCells, TextsAreCutToACellNeverInsideASurrogatePair)
{
    const QString smile = QString::fromUtf8("\U0001F600");
    const struct {
        QString text;
        qsizetype kept;
    } cases[] = {
        {QString(32767, 'a'), 32767},
        {QString(32768, 'a'), 32767},
        {QString(32766, 'a') + smile, 32766},        // the pair would end past the limit
        {QString(32765, 'a') + smile + "b", 32767},  // the pair fits whole
    };
    for (const auto &c : cases) {
        QString t = c.text;
        EXPECT_EQ(CutToCellLimit(t), c.kept < c.text.size());
        EXPECT_EQ(t, c.text.left(c.kept));
    }
}

TEST(SheetCells, CutRowsMessageListsTenRowsAndCountsTheRest)
{
    QList<int> many;
    for (int row = 2; row <= 14; ++row)
        many.append(row);
    EXPECT_EQ(CutRowsMessage({7}), QString::fromUtf8("Pola dłuższe niż 32767 znaków skrócono w wierszach arkusza: 7."));
    EXPECT_EQ(CutRowsMessage(many.mid(0, 10)),
              QString::fromUtf8("Pola dłuższe niż 32767 znaków skrócono w wierszach arkusza: "
                                "2, 3, 4, 5, 6, 7, 8, 9, 10, 11."));
    EXPECT_EQ(CutRowsMessage(many), QString::fromUtf8("Pola dłuższe niż 32767 znaków skrócono w wierszach arkusza: "
                                                      "2, 3, 4, 5, 6, 7, 8, 9, 10, 11 i 3 kolejnych."));
}

// Masses, price and value: whatever ParseNumber reads, with the decimals of
// the text; a bracketed text in any of these columns stays as shown.
TEST(SheetCells, MassesPricesAndValuesAreNumbersWhenParseNumberReadsThem)
{
    const auto num = [](double v, int decimals) { return SheetCell{SheetCell::Kind::Number, {}, v, decimals}; };
    const struct {
        int column;
        QByteArray text;
        SheetCell cell;
    } cases[] = {
        {ColGross, "12,50", num(12.5, 2)},
        {ColGross, "+0033.5", num(33.5, 1)},
        {ColNet, " 1.00\t", num(1, 2)},
        {ColTare, "1.", num(1, 0)},
        {ColPrice, ".5", num(0.5, 1)},
        {ColValue, "-91,000", num(-91, 3)},
        {ColValue, "0.12345678901234567890", num(0.12345678901234568, kMaxShownDecimals)},
        {ColNet, "(12.5)", SheetCell::Text("(12.5)")},
        {ColGross, "[1,5]", SheetCell::Text("[1,5]")},
        {ColTare, "(5)", SheetCell::Text("(5)")},
        {ColGross, "1e5", SheetCell::Text("1e5")},
        {ColGross, "1.2,3", SheetCell::Text("1.2,3")},
        {ColNet, "12 kg", SheetCell::Text("12 kg")},
        {ColTare, "-", SheetCell::Text("-")},
        {ColPrice, " ", SheetCell::Text(" ")},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ClassifyCell(c.column, c.text), c.cell) << c.text.constData();
}
