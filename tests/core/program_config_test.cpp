#include "core/program_config.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <QFileInfo>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The whole file for the defaults, written out by hand from the key table.
const QByteArray kDefaultFile =
    "Numer_portu_wagi=2\r\n"
    "Predkosc_transmisji_wagi=1200\r\n"
    "Numer_portu_drukarki=1\r\n"
    "Predkosc_transmisji_drukarki=9600\r\n"
    "Jednostka=kg\r\n"
    "Masa_maksymalna=500\r\n"
    "Nazwa_etykiety=\r\n"
    "Dane_uzytkownika1=\r\n"
    "Dane_uzytkownika2=\r\n"
    "Parametry_tabela1=Tabela 1\t\t\t\t\t\t-2147483633\t16711680\r\n"
    "Parametry_tabela2=Tabela 2\t\t\t\t\t\t-2147483633\t16711680\r\n"
    "Parametry_tabela3=Tabela 3\t\t\t\t\t\t-2147483633\t16711680\r\n"
    "Parametry_tabela4=Tabela 4\t\t\t\t\t\t-2147483633\t16711680\r\n"
    "Parametry_tabela5=Tabela 5\t\t\t\t\t\t-2147483633\t16711680\r\n"
    "Katalog_archiwum=archiwum\\\r\n"
    "Rozmiar_czcionki_tabeli=10\r\n"
    "Nazwa_czcionki_tabeli=Arial\r\n"
    "Auto_usuwanie=0\r\n"
    "Auto_numerowanie_pomiarow=1\r\n"
    "Tara_z_opakowania=0\r\n"
    "Zablokuj_edycje_masy=0\r\n"
    "Zablokuj_edycje_ceny=0\r\n"
    "Zablokuj_usuwanie_pomiarow=0\r\n"
    "Masa_otoczona_nawiasami=0\r\n"
    "Zegar_skala_procentowa=1\r\n"
    "Poj_pomiar_na_etykiecie=0\r\n"
    "Uproszczone_zaznacz_pomiarow=1\r\n"
    "Zegar_widokiem_domyslnym=0\r\n"
    "Tryb_pelnoekranowy=0\r\n"
    "Auto_dodawanie=0\r\n"
    "Auto_dodawanie_min=50.00\r\n"
    "Auto_dodawanie_delta=10.00\r\n"
    "Auto_dodawanie_pierwszy=0\r\n"
    "Auto_dodawanie_dzwiek=0\r\n"
    "Szerokosc_kolumny_num=50\r\n"
    "Szerokosc_kolumny_czas=100\r\n"
    "Szerokosc_kolumny_mat=115\r\n"
    "Szerokosc_kolumny_cli=115\r\n"
    "Szerokosc_kolumny_wz=150\r\n"
    "Szerokosc_kolumny_masa_brutto=70\r\n"
    "Szerokosc_kolumny_masa_netto=70\r\n"
    "Szerokosc_kolumny_tara=70\r\n"
    "Szerokosc_kolumny_oper=150\r\n"
    "Szerokosc_kolumny_cena=70\r\n"
    "Szerokosc_kolumny_wartosc=70\r\n"
    "Szerokosc_kolumny_opakowanie=110\r\n"
    "Wersja_excel=0\r\n"
    "Szerokosc_druk_kolumny_num=3\r\n"
    "Szerokosc_druk_kolumny_czas=17\r\n"
    "Szerokosc_druk_kolumny_mat=12\r\n"
    "Szerokosc_druk_kolumny_cli=15\r\n"
    "Szerokosc_druk_kolumny_wz=10\r\n"
    "Szerokosc_druk_kolumny_masa_brutto=7\r\n"
    "Szerokosc_druk_kolumny_masa_netto=7\r\n"
    "Szerokosc_druk_kolumny_tara=5\r\n"
    "Szerokosc_druk_kolumny_oper=6\r\n"
    "Szerokosc_druk_kolumny_cena=7\r\n"
    "Szerokosc_druk_kolumny_wartosc=9\r\n"
    "Szerokosc_druk_kolumny_opakowanie=10\r\n"
    "Szerokosc_et_druk_kolumny_mat=13\r\n"
    "Szerokosc_et_druk_kolumny_wz=11\r\n"
    "Szerokosc_et_druk_kolumny_masa_brutto=8\r\n"
    "Szerokosc_et_druk_kolumny_masa_netto=8\r\n"
    "Szerokosc_et_druk_kolumny_tara=7\r\n"
    "Szerokosc_et_druk_kolumny_cena=7\r\n"
    "Szerokosc_et_druk_kolumny_wartosc=9\r\n"
    "Szerokosc_et_druk_kolumny_opakowanie=12\r\n"
    "Urzadzenie_portu_wagi=\r\n"
    "Polaczenie_wagi=0\r\n"
    "Adres_IP_wagi=127.0.0.1\r\n"
    "Port_IP_wagi=3333\r\n"
    "Protokol_wagi=0\r\n"
    "Zapytanie_wagi=\r\n"
    "Zapytanie_wagi_co_ms=200\r\n"
    "Wzorzec_ramki_wagi=\r\n"
    "Tekst_stabilny_wagi=\r\n"
    "Tylko_stabilne=0\r\n"
    "Modbus_adres_urzadzenia=1\r\n"
    "Modbus_rejestr=0\r\n"
    "Modbus_typ_rejestru=0\r\n"
    "Modbus_format=2\r\n"
    "Modbus_kolejnosc_slow=0\r\n"
    "Modbus_mnoznik=1\r\n"
    "Modbus_miejsca_dziesietne=2\r\n"
    "Modbus_rejestr_statusu=-1\r\n"
    "Modbus_bit_stabilny=0\r\n"
    "Modbus_parzystosc=0\r\n";

class ProgramConfigTest : public ::testing::Test {
protected:
    QString Path() const { return dir_.filePath(QStringLiteral("konfig.ini")); }

    // Loads `bytes` as the file over the defaults.
    ProgramConfig Load(const QByteArray &bytes)
    {
        EXPECT_TRUE(WriteAll(Path(), bytes));
        ProgramConfig c;
        EXPECT_TRUE(LoadConfig(Path(), c));
        return c;
    }

    QTemporaryDir dir_;
};

TEST_F(ProgramConfigTest, OnlyLogGivesDefaultsAndWritesEveryKeyWithLogLast)
{
    ProgramConfig c = Load("log\r\n");
    EXPECT_TRUE(c.logEnabled);
    ASSERT_TRUE(SaveConfig(Path(), c));
    EXPECT_EQ(ReadAll(Path()), kDefaultFile + "log\r\n");
    EXPECT_EQ(SerializeConfig(ProgramConfig{}), kDefaultFile);
}

TEST_F(ProgramConfigTest, LogLineMustBeExact)
{
    EXPECT_FALSE(Load("log \r\nLOG\r\nlog=1\r\n").logEnabled);
    EXPECT_TRUE(Load("Jednostka=t\nlog").logEnabled);
}

TEST_F(ProgramConfigTest, MissingFileKeepsDefaultsAndReturnsFalse)
{
    ProgramConfig c;
    c.unit = "t";
    EXPECT_FALSE(LoadConfig(dir_.filePath(QStringLiteral("brak.ini")), c));
    EXPECT_EQ(c.unit, "t");
    EXPECT_EQ(SerializeConfig(ProgramConfig{}), kDefaultFile);
}

TEST_F(ProgramConfigTest, PortsAndRatesOutsideTheirSetsAreIgnored)
{
    ProgramConfig c = Load("Numer_portu_wagi=17\r\nNumer_portu_drukarki=x3\r\n"
                           "Predkosc_transmisji_wagi=128000\r\nPredkosc_transmisji_drukarki=abc\r\n");
    EXPECT_EQ(c.scalePort.portName, "COM2");
    EXPECT_EQ(c.printerPort.portName, "COM1");
    EXPECT_EQ(c.scalePort.rate, br1200);
    EXPECT_EQ(c.printerPort.rate, br9600);

    c = Load("Numer_portu_wagi=16\r\nNumer_portu_drukarki=+4\r\n"
             "Predkosc_transmisji_wagi=115200\r\nPredkosc_transmisji_drukarki=110\r\n");
    EXPECT_EQ(c.scalePort.portName, "COM16");
    EXPECT_EQ(c.printerPort.portName, "COM4");
    EXPECT_EQ(c.scalePort.rate, br115200);
    EXPECT_EQ(c.printerPort.rate, br110);
    const QByteArray out = SerializeConfig(c);
    EXPECT_TRUE(out.startsWith("Numer_portu_wagi=16\r\nPredkosc_transmisji_wagi=115200\r\n"
                               "Numer_portu_drukarki=4\r\nPredkosc_transmisji_drukarki=110\r\n"));

    // Blanks, signs alone, fractions and numbers past int are not integers.
    for (const char *bad : {" 3", "3 ", "-", "3.0", "99999999999"}) {
        c = Load(QByteArray("Numer_portu_wagi=") + bad);
        EXPECT_EQ(c.scalePort.portName, "COM2") << bad;
    }
}

TEST_F(ProgramConfigTest, BaudRateTextCoversTheThirteenRates)
{
    EXPECT_EQ(BaudRateText(br110), "110");
    EXPECT_EQ(BaudRateText(br14400), "14400");
    EXPECT_EQ(BaudRateText(br56000), "56000");
    EXPECT_EQ(BaudRateText(br115200), "115200");
    EXPECT_EQ(BaudRateText(0), "9600");
    EXPECT_EQ(BaudRateText(14), "9600");
    EXPECT_EQ(BaudRateFromBps(57600), br57600);
    EXPECT_EQ(BaudRateFromBps(128000), 0);
}

TEST_F(ProgramConfigTest, FontOnlyFromItsAcceptedValues)
{
    ProgramConfig c = Load("Rozmiar_czcionki_tabeli=11\r\nNazwa_czcionki_tabeli=Times New Roman\r\n");
    EXPECT_EQ(c.tableFontSize, 10);
    EXPECT_EQ(c.tableFontName, "Arial");
    c = Load("Nazwa_czcionki_tabeli=arial narrow\r\n");
    EXPECT_EQ(c.tableFontName, "Arial");
    c = Load("Rozmiar_czcionki_tabeli=18\r\nNazwa_czcionki_tabeli=Arial Narrow\r\n");
    EXPECT_EQ(c.tableFontSize, 18);
    EXPECT_EQ(c.tableFontName, "Arial Narrow");
}

TEST_F(ProgramConfigTest, SwitchesReadTheFirstCharacterOnly)
{
    ProgramConfig c = Load("Auto_usuwanie=10\r\nAuto_numerowanie_pomiarow=tak\r\nZegar_skala_procentowa=01\r\n"
                           "Auto_dodawanie=1\r\n");
    EXPECT_TRUE(c.autoDelete);
    EXPECT_FALSE(c.autoNumbering);
    EXPECT_FALSE(c.dialPercent);
    EXPECT_TRUE(c.autoAdd);
    const QByteArray out = SerializeConfig(c);
    EXPECT_TRUE(out.contains("\r\nAuto_usuwanie=1\r\nAuto_numerowanie_pomiarow=0\r\n"));
    EXPECT_TRUE(out.contains("\r\nAuto_dodawanie=1\r\n"));
}

TEST_F(ProgramConfigTest, EmptyValuesAndUnknownLinesChangeNothing)
{
    ProgramConfig c = Load("Katalog_archiwum=\r\nJednostka=\r\nAuto_numerowanie_pomiarow=\r\n"
                           "Nieznany=5\r\nbez znaku rownosci\r\njednostka=t\r\n=kg\r\n");
    EXPECT_EQ(SerializeConfig(c), kDefaultFile);
}

TEST_F(ProgramConfigTest, RealsAcceptCommaOrPointAndAreWrittenWithTwoDecimals)
{
    ProgramConfig c = Load("Auto_dodawanie_min=12,5\r\nAuto_dodawanie_delta=12.5\r\n");
    EXPECT_DOUBLE_EQ(c.autoAddMin, 12.5);
    EXPECT_DOUBLE_EQ(c.autoAddDelta, 12.5);
    EXPECT_TRUE(SerializeConfig(c).contains("\r\nAuto_dodawanie_min=12.50\r\nAuto_dodawanie_delta=12.50\r\n"));

    c = Load("Auto_dodawanie_min=1.2.3\r\nAuto_dodawanie_delta=abc\r\n");
    EXPECT_DOUBLE_EQ(c.autoAddMin, 50.0);
    EXPECT_DOUBLE_EQ(c.autoAddDelta, 10.0);
}

TEST_F(ProgramConfigTest, TableParamsWithOneWordGetDefaultColours)
{
    ProgramConfig c = Load("Parametry_tabela3=Surowce\r\n");
    const TableParams &t = c.tables[2];
    EXPECT_EQ(t.name(), "Surowce");
    EXPECT_EQ(t.PanelText(), "Surowce - ");
    for (int f = TableParams::Description; f <= TableParams::Customer; ++f)
        EXPECT_TRUE(t.fields[f].isEmpty()) << f;
    EXPECT_EQ(t.fields[TableParams::PanelColour], "-2147483633");
    EXPECT_EQ(t.fields[TableParams::PanelFontColour], "16711680");
    EXPECT_EQ(c.tables[1].name(), "Tabela 2");
    EXPECT_TRUE(PanelColoursValid(c));
    EXPECT_TRUE(SerializeConfig(c).contains("\r\nParametry_tabela3=Surowce\t\t\t\t\t\t-2147483633\t16711680\r\n"));
}

TEST_F(ProgramConfigTest, PanelColoursMustAllBeIntegers)
{
    ProgramConfig c = Load("Parametry_tabela1=A\tB\tC\tD\tE\tF\t255\t-1\r\n");
    EXPECT_EQ(c.tables[0].fields[TableParams::Customer], "F");
    EXPECT_TRUE(PanelColoursValid(c));
    c = Load("Parametry_tabela5=A\t\t\t\t\t\tczerwony\t0\r\n");
    EXPECT_FALSE(PanelColoursValid(c));
}

TEST_F(ProgramConfigTest, RangesPerKey)
{
    ProgramConfig c = Load("Szerokosc_kolumny_num=501\r\nSzerokosc_druk_kolumny_tara=-1\r\n"
                           "Szerokosc_kolumny_cena=0\r\nSzerokosc_et_druk_kolumny_opakowanie=500\r\n"
                           "Wersja_excel=2\r\nAuto_dodawanie_pierwszy=3\r\n"
                           "Polaczenie_wagi=2\r\nPort_IP_wagi=65536\r\n");
    EXPECT_EQ(c.screenWidths[ColNr], 50);
    EXPECT_EQ(c.printWidths[ColTare], 5);
    EXPECT_EQ(c.screenWidths[ColPrice], 0);
    EXPECT_EQ(c.labelWidths[ColPackaging], 500);
    EXPECT_EQ(c.excelVersion, 0);
    EXPECT_EQ(c.autoAddMode, 0);
    EXPECT_EQ(c.scaleConnection, 0);
    EXPECT_EQ(c.scaleIpPort, 3333);

    c = Load("Wersja_excel=1\r\nAuto_dodawanie_pierwszy=2\r\nPolaczenie_wagi=1\r\nPort_IP_wagi=1\r\n"
             "Adres_IP_wagi=192.168.1.20\r\nUrzadzenie_portu_wagi=/dev/ttyUSB0\r\n");
    EXPECT_EQ(c.excelVersion, 1);
    EXPECT_EQ(c.autoAddMode, 2);
    EXPECT_EQ(c.scaleConnection, 1);
    EXPECT_EQ(c.scaleIpPort, 1);
    EXPECT_TRUE(SerializeConfig(c).contains("Szerokosc_et_druk_kolumny_opakowanie=12\r\n"
                                            "Urzadzenie_portu_wagi=/dev/ttyUSB0\r\nPolaczenie_wagi=1\r\n"
                                            "Adres_IP_wagi=192.168.1.20\r\nPort_IP_wagi=1\r\nProtokol_wagi=0\r\n"));

    // The indicator's keys: out of range or unreadable values keep the defaults.
    c = Load("Protokol_wagi=8\r\nZapytanie_wagi_co_ms=10\r\nModbus_mnoznik=0\r\nModbus_format=5\r\n"
             "Modbus_rejestr_statusu=-2\r\n");
    EXPECT_EQ(c.scaleProtocol, 0);
    EXPECT_EQ(c.scaleRequestMs, 200);
    EXPECT_EQ(c.modbusScale, 1.0);
    EXPECT_EQ(c.modbusFormat, 2);
    EXPECT_EQ(c.modbusStatusRegister, -1);
    c = Load("Protokol_wagi=7\r\nZapytanie_wagi=SI\\r\\n\r\nZapytanie_wagi_co_ms=5000\r\nModbus_mnoznik=0,001\r\n");
    EXPECT_EQ(c.scaleProtocol, 7);
    EXPECT_EQ(c.scaleRequest, "SI\\r\\n");
    EXPECT_EQ(c.scaleRequestMs, 5000);
    EXPECT_DOUBLE_EQ(c.modbusScale, 0.001);
    EXPECT_TRUE(SerializeConfig(c).contains("\r\nModbus_mnoznik=0.001\r\n"));
}

TEST_F(ProgramConfigTest, MaximumMassBelowOneIsIgnored)
{
    EXPECT_EQ(Load("Masa_maksymalna=0\r\n").maxMass, 500);
    EXPECT_EQ(Load("Masa_maksymalna=-3000\r\n").maxMass, 500);
    EXPECT_EQ(Load("Masa_maksymalna=1\r\n").maxMass, 1);
    EXPECT_EQ(Load("Masa_maksymalna=60000\r\n").maxMass, 60000);
}

TEST_F(ProgramConfigTest, LastValidValueOfARepeatedKeyWins)
{
    ProgramConfig c = Load("Numer_portu_wagi=3\r\nNumer_portu_wagi=5\r\nNumer_portu_wagi=99\r\n"
                           "Jednostka=g\r\nJednostka=t\r\n");
    EXPECT_EQ(c.scalePort.portName, "COM5");
    EXPECT_EQ(c.unit, "t");
}

TEST_F(ProgramConfigTest, OverlongValuesAreCutToTheirMaximum)
{
    const QByteArray long40 = QByteArray(40, 'd');
    ProgramConfig c = Load("Jednostka=kilogram\r\nNazwa_etykiety=" + QByteArray(35, 'e') + "\r\nDane_uzytkownika1=" +
                           long40 + "XYZ\r\nKatalog_archiwum=" + QByteArray(210, 'k') + "\r\n" +
                           "Parametry_tabela2=" + QByteArray(498, 'n') + "\tABCDEF\r\n" +
                           // cut to 12 characters this is "000000000000", which is no port
                           "Numer_portu_wagi=0000000000003\r\n");
    EXPECT_EQ(c.unit, "kil");
    EXPECT_EQ(c.labelName, QByteArray(30, 'e'));
    EXPECT_EQ(c.userData1, long40);
    EXPECT_EQ(c.archiveDir, QByteArray(200, 'k'));
    EXPECT_EQ(c.tables[1].name(), QByteArray(498, 'n'));
    EXPECT_EQ(c.tables[1].description(), "A");
    EXPECT_EQ(c.scalePort.portName, "COM2");
}

TEST_F(ProgramConfigTest, AnyLineEndIsReadAndCp1250BytesRoundTrip)
{
    // "Łódź" and "żółć" in cp1250.
    const QByteArray lodz = "\xA3\xF3\x64\x9F";
    const QByteArray zolc = "\xBF\xF3\xB3\xE6";
    ProgramConfig c = Load("Dane_uzytkownika1=" + lodz + "\rDane_uzytkownika2=" + zolc + " sp.\n" +
                           "Parametry_tabela4=" + zolc + "\t" + lodz + "\r\nNazwa_etykiety=\xA5\xB9\x8C\x9C");
    EXPECT_EQ(c.userData1, lodz);
    EXPECT_EQ(c.userData2, zolc + " sp.");
    EXPECT_EQ(c.tables[3].name(), zolc);
    EXPECT_EQ(c.tables[3].description(), lodz);
    EXPECT_EQ(c.labelName, "\xA5\xB9\x8C\x9C");

    ASSERT_TRUE(SaveConfig(Path(), c));
    const QByteArray written = ReadAll(Path());
    EXPECT_TRUE(written.contains("\r\nDane_uzytkownika1=" + lodz + "\r\nDane_uzytkownika2=" + zolc + " sp.\r\n"));
    ProgramConfig again;
    ASSERT_TRUE(LoadConfig(Path(), again));
    EXPECT_EQ(SerializeConfig(again), written);
}

TEST_F(ProgramConfigTest, LineBreaksInsideValuesAreNeverWritten)
{
    ProgramConfig c;
    c.userData1 = "linia\r\nlog";
    const QByteArray out = SerializeConfig(c);
    EXPECT_TRUE(out.contains("\r\nDane_uzytkownika1=linia  log\r\n"));
    EXPECT_FALSE(out.contains("\r\nlog\r\n"));
}

TEST_F(ProgramConfigTest, ArchiveDirUsesSlashes)
{
    ProgramConfig c;
    EXPECT_EQ(c.ArchiveDirPath(), QStringLiteral("archiwum/"));
    c = Load("Katalog_archiwum=dane\\archiwum \xB3\xF3\x64\x9F\\\r\n");
    EXPECT_EQ(c.ArchiveDirPath(), QStringLiteral("dane/archiwum łódź/"));
}

TEST_F(ProgramConfigTest, AFileThatExistsButCannotBeReadIsToldApart)
{
    // A FIFO would block an ordinary open; a folder is no file.
    const QString fifo = dir_.filePath(QStringLiteral("fifo.ini"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString folder = dir_.filePath(QStringLiteral("folder.ini"));
    ASSERT_TRUE(QDir().mkpath(folder));
    QStringList unreadable{fifo, folder};
    // No read permission stops everyone but root.
    ASSERT_TRUE(WriteAll(Path(), "Jednostka=t\r\n"));
    ASSERT_EQ(::chmod(QFile::encodeName(Path()).constData(), 0200), 0);
    if (::access(QFile::encodeName(Path()).constData(), R_OK) != 0)
        unreadable << Path();
    for (const QString &path : unreadable) {
        ProgramConfig c;
        EXPECT_EQ(ReadConfig(path, c), ConfigFile::Unreadable) << path.toStdString();
        EXPECT_EQ(c.unit, "kg");
    }
    ProgramConfig c;
    EXPECT_EQ(ReadConfig(dir_.filePath(QStringLiteral("brak.ini")), c), ConfigFile::Missing);
    EXPECT_EQ(UnreadableConfigMessage("dane/konfig.ini"),
              QString::fromUtf8("Nie można odczytać pliku konfiguracyjnego: dane/konfig.ini.\n"
                                "Ustawienia nie zostaną zapisane."));
}

TEST_F(ProgramConfigTest, SaveKeepsALinkAndTheModeAndRefusesAWriteProtectedFile)
{
    const QString real = dir_.filePath(QStringLiteral("ustawienia.ini"));
    ASSERT_TRUE(WriteAll(real, "Jednostka=t\r\n"));
    ASSERT_EQ(::chmod(QFile::encodeName(real).constData(), 0600), 0);
    ASSERT_EQ(::symlink("ustawienia.ini", QFile::encodeName(Path()).constData()), 0);
    ASSERT_TRUE(SaveConfig(Path(), ProgramConfig{}));
    EXPECT_EQ(QFileInfo(Path()).symLinkTarget(), real);
    EXPECT_EQ(ReadAll(real), kDefaultFile);
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(real).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);

    ASSERT_EQ(::chmod(QFile::encodeName(real).constData(), 0444), 0);
    ProgramConfig changed;
    changed.unit = "t";
    EXPECT_FALSE(SaveConfig(Path(), changed));
    EXPECT_EQ(ReadAll(real), kDefaultFile);
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files),
              (QStringList{QStringLiteral("konfig.ini"), QStringLiteral("ustawienia.ini")}));
}

TEST_F(ProgramConfigTest, FailedSaveLeavesTheOldFile)
{
    const QByteArray old = "Jednostka=t\r\n";
    ASSERT_TRUE(WriteAll(Path(), old));
    ProgramConfig c;

    EXPECT_FALSE(SaveConfig(dir_.filePath(QStringLiteral("brak/konfig.ini")), c));

    // A read-only folder (does not stop root, who is checked with a full disk below).
    QFile::setPermissions(dir_.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    if (::access(QFile::encodeName(dir_.path()).constData(), W_OK) != 0) {
        EXPECT_FALSE(SaveConfig(Path(), c));
        EXPECT_EQ(ReadAll(Path()), old);
    }
    QFile::setPermissions(dir_.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    // A disk that fills up in the middle of the file.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 100;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved100 = SaveConfig(Path(), c);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(saved100);
    EXPECT_EQ(ReadAll(Path()), old);
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files), QStringList{QStringLiteral("konfig.ini")});
}

}  // namespace
