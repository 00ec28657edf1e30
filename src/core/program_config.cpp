#include "core/program_config.h"

#include "core/cp1250.h"
#include "core/number_forms.h"
#include "core/safe_file.h"

#include <QFileInfo>
#include <QList>

#include <algorithm>
#include <cmath>
#include <climits>
#include <functional>
#include <optional>
#include <vector>

namespace {

constexpr int kRates[] = {110, 300, 600, 1200, 2400, 4800, 9600, 14400, 19200, 38400, 56000, 57600, 115200};

// Decimal digits with an optional sign and nothing else; nullopt outside int.
std::optional<int> ParseInteger(QByteArrayView text)
{
    qsizetype i = 0;
    bool negative = false;
    if (!text.isEmpty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        ++i;
    }
    if (i == text.size())
        return std::nullopt;
    long long n = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return std::nullopt;
        n = n * 10 + (c - '0');
        if (n > 1LL + INT_MAX)
            return std::nullopt;
    }
    if (negative)
        n = -n;
    if (n < INT_MIN || n > INT_MAX)
        return std::nullopt;
    return int(n);
}

// One key of the file: how its (already cut) value is read and how it is written.
struct Key {
    QByteArray name;
    int maxLength;
    std::function<void(ProgramConfig &, QByteArrayView)> read;
    std::function<QByteArray(const ProgramConfig &)> write;
};

Key IntKey(const char *name, int ProgramConfig::*member, int low, int high)
{
    return {name, 12,
            [=](ProgramConfig &c, QByteArrayView v) {
                const auto n = ParseInteger(v);
                if (n && *n >= low && *n <= high)
                    c.*member = *n;
            },
            [=](const ProgramConfig &c) { return QByteArray::number(c.*member); }};
}

Key WidthKey(const char *name, std::array<int, ColumnCount> ProgramConfig::*widths, Column column)
{
    return {name, 12,
            [=](ProgramConfig &c, QByteArrayView v) {
                const auto n = ParseInteger(v);
                if (n && *n >= 0 && *n <= 500)
                    (c.*widths)[column] = *n;
            },
            [=](const ProgramConfig &c) { return QByteArray::number((c.*widths)[column]); }};
}

Key SwitchKey(const char *name, bool ProgramConfig::*member)
{
    // Only the first character counts, so the value is cut to one.
    return {name, 1, [=](ProgramConfig &c, QByteArrayView v) { c.*member = v == "1"; },
            [=](const ProgramConfig &c) { return QByteArray(c.*member ? "1" : "0"); }};
}

Key RealKey(const char *name, double ProgramConfig::*member)
{
    return {name, 12,
            [=](ProgramConfig &c, QByteArrayView v) {
                if (const auto x = ParseReal(v))
                    c.*member = *x;
            },
            [=](const ProgramConfig &c) { return FormatFixed(c.*member, 2); }};
}

Key TextKey(const char *name, int maxLength, QByteArray ProgramConfig::*member)
{
    return {name, maxLength, [=](ProgramConfig &c, QByteArrayView v) { c.*member = v.toByteArray(); },
            [=](const ProgramConfig &c) { return c.*member; }};
}

Key PortKey(const char *name, SerialPortSettings ProgramConfig::*port)
{
    return {name, 12,
            [=](ProgramConfig &c, QByteArrayView v) {
                const auto n = ParseInteger(v);
                if (n && *n >= 1 && *n <= 16)
                    (c.*port).portName = "COM" + QByteArray::number(*n);
            },
            [=](const ProgramConfig &c) { return (c.*port).portName.mid(3); }};
}

Key RateKey(const char *name, SerialPortSettings ProgramConfig::*port)
{
    return {name, 12,
            [=](ProgramConfig &c, QByteArrayView v) {
                const auto n = ParseInteger(v);
                if (!n)
                    return;
                if (const int rate = BaudRateFromBps(*n))
                    (c.*port).rate = rate;
            },
            [=](const ProgramConfig &c) { return BaudRateText((c.*port).rate); }};
}

Key TableKey(int n)
{
    return {"Parametry_tabela" + QByteArray::number(n), 500,
            [=](ProgramConfig &c, QByteArrayView v) { c.tables[n - 1] = TableParams::FromJoined(v); },
            [=](const ProgramConfig &c) { return c.tables[n - 1].Joined(); }};
}

// Every key in the order the file is written.
const std::vector<Key> &Keys()
{
    static const std::vector<Key> keys = [] {
        using C = ProgramConfig;
        std::vector<Key> k;
        k.push_back(PortKey("Numer_portu_wagi", &C::scalePort));
        k.push_back(RateKey("Predkosc_transmisji_wagi", &C::scalePort));
        k.push_back(PortKey("Numer_portu_drukarki", &C::printerPort));
        k.push_back(RateKey("Predkosc_transmisji_drukarki", &C::printerPort));
        k.push_back(TextKey("Jednostka", 3, &C::unit));
        // The dial divides by the maximum and the overload test compares with
        // it, so only a positive maximum is taken.
        k.push_back(IntKey("Masa_maksymalna", &C::maxMass, 1, INT_MAX));
        k.push_back(TextKey("Nazwa_etykiety", 30, &C::labelName));
        k.push_back(TextKey("Dane_uzytkownika1", 40, &C::userData1));
        k.push_back(TextKey("Dane_uzytkownika2", 40, &C::userData2));
        for (int n = 1; n <= 5; ++n)
            k.push_back(TableKey(n));
        k.push_back(TextKey("Katalog_archiwum", 200, &C::archiveDir));
        k.push_back({"Rozmiar_czcionki_tabeli", 12,
                     [](C &c, QByteArrayView v) {
                         const auto n = ParseInteger(v);
                         if (n && (*n == 8 || *n == 10 || *n == 12 || *n == 14 || *n == 16 || *n == 18))
                             c.tableFontSize = *n;
                     },
                     [](const C &c) { return QByteArray::number(c.tableFontSize); }});
        k.push_back({"Nazwa_czcionki_tabeli", 200,
                     [](C &c, QByteArrayView v) {
                         if (v == "Arial" || v == "Arial Narrow")
                             c.tableFontName = v.toByteArray();
                     },
                     [](const C &c) { return c.tableFontName; }});
        k.push_back(SwitchKey("Auto_usuwanie", &C::autoDelete));
        k.push_back(SwitchKey("Auto_numerowanie_pomiarow", &C::autoNumbering));
        k.push_back(SwitchKey("Tara_z_opakowania", &C::tareFromPackaging));
        k.push_back(SwitchKey("Zablokuj_edycje_masy", &C::lockMassEdit));
        k.push_back(SwitchKey("Zablokuj_edycje_ceny", &C::lockPriceEdit));
        k.push_back(SwitchKey("Zablokuj_usuwanie_pomiarow", &C::lockDelete));
        k.push_back(SwitchKey("Masa_otoczona_nawiasami", &C::netInBrackets));
        k.push_back(SwitchKey("Zegar_skala_procentowa", &C::dialPercent));
        k.push_back(SwitchKey("Poj_pomiar_na_etykiecie", &C::singleOnLabel));
        k.push_back(SwitchKey("Uproszczone_zaznacz_pomiarow", &C::simplifiedMarking));
        k.push_back(SwitchKey("Zegar_widokiem_domyslnym", &C::dialDefaultView));
        k.push_back(SwitchKey("Tryb_pelnoekranowy", &C::fullScreen));
        k.push_back(SwitchKey("Auto_dodawanie", &C::autoAdd));
        k.push_back(RealKey("Auto_dodawanie_min", &C::autoAddMin));
        k.push_back(RealKey("Auto_dodawanie_delta", &C::autoAddDelta));
        k.push_back(IntKey("Auto_dodawanie_pierwszy", &C::autoAddMode, 0, 2));
        k.push_back(SwitchKey("Auto_dodawanie_dzwiek", &C::autoAddSound));

        struct Stem {
            const char *stem;
            Column column;
        };
        static constexpr Stem kColumns[] = {
            {"num", ColNr},          {"czas", ColTime},         {"mat", ColMaterial},
            {"cli", ColCustomer},    {"wz", ColOrder},          {"masa_brutto", ColGross},
            {"masa_netto", ColNet},  {"tara", ColTare},         {"oper", ColOperator},
            {"cena", ColPrice},      {"wartosc", ColValue},     {"opakowanie", ColPackaging},
        };
        for (const Stem &s : kColumns)
            k.push_back(WidthKey(("Szerokosc_kolumny_" + QByteArray(s.stem)).constData(), &C::screenWidths, s.column));
        k.push_back(IntKey("Wersja_excel", &C::excelVersion, 0, 1));
        for (const Stem &s : kColumns)
            k.push_back(
                WidthKey(("Szerokosc_druk_kolumny_" + QByteArray(s.stem)).constData(), &C::printWidths, s.column));
        // Labels have no number, time, customer or operator column.
        for (const Stem &s : kColumns) {
            if (s.column == ColNr || s.column == ColTime || s.column == ColCustomer || s.column == ColOperator)
                continue;
            k.push_back(
                WidthKey(("Szerokosc_et_druk_kolumny_" + QByteArray(s.stem)).constData(), &C::labelWidths, s.column));
        }

        // Scale link keys of our own.
        k.push_back(TextKey("Urzadzenie_portu_wagi", 200, &C::scaleDevice));
        k.push_back(IntKey("Polaczenie_wagi", &C::scaleConnection, 0, 1));
        k.push_back(TextKey("Adres_IP_wagi", 200, &C::scaleIpAddress));
        k.push_back(IntKey("Port_IP_wagi", &C::scaleIpPort, 1, 65535));
        k.push_back(IntKey("Protokol_wagi", &C::scaleProtocol, 0, 7));
        k.push_back(TextKey("Zapytanie_wagi", 200, &C::scaleRequest));
        k.push_back(IntKey("Zapytanie_wagi_co_ms", &C::scaleRequestMs, 50, 5000));
        k.push_back(TextKey("Wzorzec_ramki_wagi", 200, &C::scaleFramePattern));
        k.push_back(TextKey("Tekst_stabilny_wagi", 200, &C::scaleStableText));
        k.push_back(SwitchKey("Tylko_stabilne", &C::onlyStable));
        k.push_back(IntKey("Modbus_adres_urzadzenia", &C::modbusUnit, 1, 247));
        k.push_back(IntKey("Modbus_rejestr", &C::modbusRegister, 0, 65535));
        k.push_back(IntKey("Modbus_typ_rejestru", &C::modbusRegisterKind, 0, 1));
        k.push_back(IntKey("Modbus_format", &C::modbusFormat, 0, 4));
        k.push_back(IntKey("Modbus_kolejnosc_slow", &C::modbusWordOrder, 0, 1));
        // A scale factor such as 0.001 needs more than the two decimals of RealKey.
        k.push_back({"Modbus_mnoznik", 24,
                     [](C &c, QByteArrayView v) {
                         if (const auto x = ParseReal(v); x && *x != 0 && std::isfinite(*x))
                             c.modbusScale = *x;
                     },
                     [](const C &c) { return QByteArray::number(c.modbusScale, 'g', 12); }});
        k.push_back(IntKey("Modbus_miejsca_dziesietne", &C::modbusDecimals, 0, 6));
        k.push_back(IntKey("Modbus_rejestr_statusu", &C::modbusStatusRegister, -1, 65535));
        k.push_back(IntKey("Modbus_bit_stabilny", &C::modbusStableBit, 0, 15));
        k.push_back(IntKey("Modbus_parzystosc", &C::modbusParity, 0, 2));
        return k;
    }();
    return keys;
}

const Key *FindKey(QByteArrayView name)
{
    for (const Key &k : Keys())
        if (k.name == name)
            return &k;
    return nullptr;
}

// A line break inside a value would split it into lines the reader takes
// as other entries (even "log"), so none is ever written.
QByteArray OneLine(QByteArray value)
{
    value.replace('\r', ' ');
    value.replace('\n', ' ');
    return value;
}

}  // namespace

QByteArray BaudRateText(int rate)
{
    if (rate < br110 || rate > br115200)
        return "9600";
    return QByteArray::number(kRates[rate - br110]);
}

int BaudRateFromBps(long long bps)
{
    for (int i = 0; i < int(std::size(kRates)); ++i)
        if (kRates[i] == bps)
            return br110 + i;
    return 0;
}

QString ProgramConfig::ArchiveDirPath() const
{
    QString path = cp1250::Decode(archiveDir);
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return path;
}

ConfigFile ReadConfig(const QString &path, ProgramConfig &config)
{
    QList<QByteArray> lines;
    if (!QFileInfo::exists(path))
        return ConfigFile::Missing;
    if (!ReadLines(path, lines))
        return ConfigFile::Unreadable;
    for (const QByteArray &line : std::as_const(lines)) {
        if (line == "log") {
            config.logEnabled = true;
            continue;
        }
        const qsizetype eq = line.indexOf('=');
        if (eq < 0 || eq == line.size() - 1)
            continue;
        const Key *key = FindKey(QByteArrayView(line).first(eq));
        if (!key)
            continue;
        const QByteArrayView value = QByteArrayView(line).sliced(eq + 1);
        key->read(config, value.first(std::min<qsizetype>(value.size(), key->maxLength)));
    }
    for (TableParams &t : config.tables) {
        if (t.fields[TableParams::PanelColour].isEmpty())
            t.fields[TableParams::PanelColour] = TableParams::kDefaultPanelColour;
        if (t.fields[TableParams::PanelFontColour].isEmpty())
            t.fields[TableParams::PanelFontColour] = TableParams::kDefaultPanelFontColour;
    }
    return ConfigFile::Read;
}

bool LoadConfig(const QString &path, ProgramConfig &config)
{
    return ReadConfig(path, config) == ConfigFile::Read;
}

QString UnreadableConfigMessage(const QString &path)
{
    return QStringLiteral("Nie można odczytać pliku konfiguracyjnego: ") + path +
           QStringLiteral(".\nUstawienia nie zostaną zapisane.");
}

QByteArray SerializeConfig(const ProgramConfig &config)
{
    QByteArray out;
    out.reserve(4096);
    for (const Key &k : Keys()) {
        out.append(k.name);
        out.append('=');
        out.append(OneLine(k.write(config)));
        out.append("\r\n");
    }
    if (config.logEnabled)
        out.append("log\r\n");
    return out;
}

bool SaveConfig(const QString &path, const ProgramConfig &config)
{
    return WriteFileAtomically(path, SerializeConfig(config));
}

bool PanelColoursValid(const ProgramConfig &config)
{
    for (const TableParams &t : config.tables)
        if (!ParseInteger(t.fields[TableParams::PanelColour]) || !ParseInteger(t.fields[TableParams::PanelFontColour]))
            return false;
    return true;
}
