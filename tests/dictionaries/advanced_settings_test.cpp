// The rules behind the window "Ustawienia dodatkowe": the maximum mass and
// archive folder checks, the final separator, the column totals and what OK
// stores.

#include "core/program_config.h"
#include "dictionaries/advanced_settings.h"

#include <gtest/gtest.h>

namespace {

const QString kNotInteger = QString::fromUtf8("Masa maksymalna musi być liczbą całkowitą.");
const QString kNotPositive = QString::fromUtf8("Masa maksymalna musi być większa od zera.");

}  // namespace

TEST(AdvancedSettings, MaxMassMustBeAPositiveInteger)
{
    EXPECT_EQ(ParseMaxMass("500"), 500);
    EXPECT_EQ(ParseMaxMass(" 60 "), 60);
    EXPECT_EQ(ParseMaxMass("+7"), 7);
    EXPECT_EQ(ParseMaxMass("-5"), -5);
    EXPECT_EQ(ParseMaxMass("2147483647"), 2147483647);
    for (const char *bad : {"", " ", "+", "-", "1.5", "1,5", "12a", "1 2", "0x10", "2147483648", "99999999999999"})
        EXPECT_FALSE(ParseMaxMass(QString::fromLatin1(bad))) << bad;

    EXPECT_EQ(MaxMassRefusal("1"), QString());
    EXPECT_EQ(MaxMassRefusal("60000"), QString());
    EXPECT_EQ(MaxMassRefusal("abc"), kNotInteger);
    EXPECT_EQ(MaxMassRefusal(""), kNotInteger);
    EXPECT_EQ(MaxMassRefusal("2,5"), kNotInteger);
    // The dial divides by it.
    EXPECT_EQ(MaxMassRefusal("0"), kNotPositive);
    EXPECT_EQ(MaxMassRefusal("-10"), kNotPositive);
}

TEST(AdvancedSettings, ArchiveFolderChecks)
{
    const QString empty = QString::fromUtf8("Katalog archiwum nie może być pusty.");
    EXPECT_EQ(ArchiveDirRefusal(""), empty);
    EXPECT_EQ(ArchiveDirRefusal("   "), empty);
    EXPECT_EQ(ArchiveDirRefusal("archiwum"), QString());

    EXPECT_EQ(PickedFolderRefusal("/srv/wagi/archiwum"), QString());
    EXPECT_EQ(PickedFolderRefusal(QString::fromUtf8("/home/żaneta/Łódź")), QString());
    EXPECT_EQ(PickedFolderRefusal(QString::fromUtf8("/home/日本")),
              QString::fromUtf8("Nazwa wskazanego katalogu zawiera znaki, których nie można zapisać w ustawieniach."));
    EXPECT_EQ(PickedFolderRefusal("/" + QString(199, u'a')), QString());
    EXPECT_EQ(PickedFolderRefusal("/" + QString(200, u'a')),
              QString::fromUtf8("Ścieżka wskazanego katalogu jest dłuższa niż 200 znaków."));
}

TEST(AdvancedSettings, FinalSeparatorFollowsTheFolderText)
{
    EXPECT_EQ(WithTrailingSeparator("archiwum"), QByteArray("archiwum/"));
    EXPECT_EQ(WithTrailingSeparator("/srv/arch"), QByteArray("/srv/arch/"));
    EXPECT_EQ(WithTrailingSeparator("/srv/arch/"), QByteArray("/srv/arch/"));
    // Typed the Windows way: kept so, with the separator it uses.
    EXPECT_EQ(WithTrailingSeparator("C:\\dane\\arch"), QByteArray("C:\\dane\\arch\\"));
    EXPECT_EQ(WithTrailingSeparator("archiwum\\"), QByteArray("archiwum\\"));
    EXPECT_EQ(WithTrailingSeparator("/mnt/x\\y"), QByteArray("/mnt/x\\y\\"));
    EXPECT_EQ(WithTrailingSeparator("x\\y/z"), QByteArray("x\\y/z/"));

    // What the folder dialog returns is shown without one, the root excepted.
    EXPECT_EQ(WithoutTrailingSeparator("/srv/arch/"), QString("/srv/arch"));
    EXPECT_EQ(WithoutTrailingSeparator("/srv/arch"), QString("/srv/arch"));
    EXPECT_EQ(WithoutTrailingSeparator("/"), QString("/"));
}

TEST(AdvancedSettings, TotalsOfTheThreeGroups)
{
    const ProgramConfig defaults;
    EXPECT_EQ(ScreenColumnsTotal(22, defaults.screenWidths), 22 + 1140);
    EXPECT_EQ(PrintColumnsTotal(defaults.printWidths), 108);
    EXPECT_EQ(LabelColumnsTotal(defaults.labelWidths), 75);
    // Hidden screen columns leave the check box column.
    EXPECT_EQ(ScreenColumnsTotal(22, {}), 22);
    // A label has no number, time, operator or customer: those never count.
    std::array<int, ColumnCount> label{};
    label.fill(100);
    EXPECT_EQ(LabelColumnsTotal(label), 800);
    // Not limited to any sheet.
    std::array<int, ColumnCount> wide{};
    wide.fill(500);
    EXPECT_EQ(PrintColumnsTotal(wide), 6000);

    EXPECT_EQ(TableWidthLine(843), QString::fromUtf8("(*) Szerokość tabeli: 843 punktów"));
}

TEST(AdvancedSettings, ListPositions)
{
    EXPECT_EQ(TableFontSizeIndex(8), 0);
    EXPECT_EQ(TableFontSizeIndex(18), 5);
    EXPECT_EQ(TableFontSizeIndex(11), -1);
    EXPECT_EQ(TableFontNameIndex("Arial"), 0);
    EXPECT_EQ(TableFontNameIndex("Arial Narrow"), 1);
    // Only the exact name.
    EXPECT_EQ(TableFontNameIndex("arial"), -1);
    EXPECT_EQ(TableFontNameIndex("Arial "), -1);
    EXPECT_EQ(ExcelVersionNames(), (QStringList{"Excel 97-2003 (pliki: xls)", "Excel 2007 i nowsze (pliki: xlsx)"}));
}

TEST(AdvancedSettings, StoringWhatIsShownChangesNothingButTheSeparator)
{
    ProgramConfig c;
    c.archiveDir = "/srv/arch";
    c.tableFontSize = 14;
    c.tableFontName = "Arial Narrow";
    c.maxMass = 3000;
    c.excelVersion = 1;
    c.labelWidths[ColNr] = 4;  // no field on the window; not lost either
    ProgramConfig stored = c;
    const AdvancedSettingsEffects e = StoreAdvancedSettings(AdvancedSettingsFrom(c), stored);
    EXPECT_FALSE(e.clearMarks);
    c.archiveDir = "/srv/arch/";
    EXPECT_EQ(SerializeConfig(stored), SerializeConfig(c));
}

TEST(AdvancedSettings, StoringTakesEveryValue)
{
    ProgramConfig c;
    AdvancedSettings s = AdvancedSettingsFrom(c);
    s.fontSizeIndex = 5;
    s.fontNameIndex = 1;
    s.fullScreen = s.dialDefaultView = true;
    s.dialPercent = false;
    s.maxMass = " 1500";
    s.singleOnLabel = true;
    s.simplifiedMarking = false;
    s.lockMassEdit = s.lockPriceEdit = s.lockDelete = s.netInBrackets = true;
    s.autoDelete = true;
    s.autoNumbering = false;
    s.tareFromPackaging = true;
    s.archiveDir = "D:\\wagi";
    s.excelVersion = 1;
    s.screenWidths[ColPrice] = 0;
    s.printWidths[ColTime] = 20;
    s.labelWidths[ColValue] = 12;
    s.labelWidths[ColCustomer] = 30;  // not a label column

    const AdvancedSettingsEffects e = StoreAdvancedSettings(s, c);
    EXPECT_TRUE(e.clearMarks);
    EXPECT_EQ(c.tableFontSize, 18);
    EXPECT_EQ(c.tableFontName, QByteArray("Arial Narrow"));
    EXPECT_TRUE(c.fullScreen && c.dialDefaultView && !c.dialPercent);
    EXPECT_EQ(c.maxMass, 1500);
    EXPECT_TRUE(c.singleOnLabel && !c.simplifiedMarking);
    EXPECT_TRUE(c.lockMassEdit && c.lockPriceEdit && c.lockDelete && c.netInBrackets);
    EXPECT_TRUE(c.autoDelete && !c.autoNumbering && c.tareFromPackaging);
    EXPECT_EQ(c.archiveDir, QByteArray("D:\\wagi\\"));
    EXPECT_EQ(c.excelVersion, 1);
    EXPECT_EQ(c.screenWidths[ColPrice], 0);
    EXPECT_EQ(c.printWidths[ColTime], 20);
    EXPECT_EQ(c.labelWidths[ColValue], 12);
    EXPECT_EQ(c.labelWidths[ColCustomer], 0);

    // Marks go only when the switch goes from off to on.
    EXPECT_FALSE(StoreAdvancedSettings(s, c).clearMarks);
    s.singleOnLabel = false;
    EXPECT_FALSE(StoreAdvancedSettings(s, c).clearMarks);
    EXPECT_FALSE(c.singleOnLabel);
}

TEST(AdvancedSettings, NothingSelectedOrRefusedKeepsTheSetting)
{
    ProgramConfig c;
    c.tableFontSize = 12;
    c.tableFontName = "Arial Narrow";
    c.maxMass = 800;
    c.excelVersion = 1;
    AdvancedSettings s = AdvancedSettingsFrom(c);
    s.fontSizeIndex = s.fontNameIndex = s.excelVersion = -1;
    for (const char *m : {"abc", "0", "-3"}) {
        s.maxMass = QString::fromLatin1(m);
        StoreAdvancedSettings(s, c);
        EXPECT_EQ(c.maxMass, 800) << m;
    }
    EXPECT_EQ(c.tableFontSize, 12);
    EXPECT_EQ(c.tableFontName, QByteArray("Arial Narrow"));
    EXPECT_EQ(c.excelVersion, 1);

    // A font the lists do not hold is not selected; widths stay within 0..500.
    c.tableFontSize = 11;
    c.tableFontName = "Courier New";
    s = AdvancedSettingsFrom(c);
    EXPECT_EQ(s.fontSizeIndex, -1);
    EXPECT_EQ(s.fontNameIndex, -1);
    s.screenWidths[ColNr] = 900;
    s.printWidths[ColNr] = -4;
    StoreAdvancedSettings(s, c);
    EXPECT_EQ(c.screenWidths[ColNr], 500);
    EXPECT_EQ(c.printWidths[ColNr], 0);
    EXPECT_EQ(c.tableFontSize, 11);
}
