#pragma once

// Every setting of konfig.ini in memory. Read once at start (LoadConfig),
// written once at close (SaveConfig). Text values are cp1250 bytes.

#include "core/table_params.h"

#include <QByteArray>
#include <QString>
#include <array>

// Transmission rates as numbered in the port settings: br110 = 1 .. br115200 = 13.
enum BaudRate {
    br110 = 1, br300, br600, br1200, br2400, br4800, br9600,
    br14400, br19200, br38400, br56000, br57600, br115200
};

// Rate number (1..13) -> its integer as text; any other number gives "9600".
QByteArray BaudRateText(int rate);
// Integer bit rate -> its number (1..13), or 0 when it is not one of the 13.
int BaudRateFromBps(long long bps);

// Record columns, in table order; also the index of the width arrays.
enum Column {
    ColNr, ColTime, ColGross, ColNet, ColTare, ColPrice, ColValue,
    ColOrder, ColMaterial, ColPackaging, ColOperator, ColCustomer, ColumnCount
};

struct SerialPortSettings {
    QByteArray portName;  // "COM1".."COM16"
    int rate = br9600;    // BaudRate number
    int PortNumber() const { return portName.mid(3).toInt(); }
};

struct ProgramConfig {
    SerialPortSettings scalePort{"COM2", br1200};
    SerialPortSettings printerPort{"COM1", br9600};
    QByteArray unit = "kg";
    int maxMass = 500;
    QByteArray labelName;
    QByteArray userData1;
    QByteArray userData2;
    std::array<TableParams, 5> tables{TableParams::Defaults(1), TableParams::Defaults(2), TableParams::Defaults(3),
                                      TableParams::Defaults(4), TableParams::Defaults(5)};
    QByteArray archiveDir = "archiwum\\";  // as written in the file
    int tableFontSize = 10;
    QByteArray tableFontName = "Arial";

    bool autoDelete = false;          // Auto_usuwanie
    bool autoNumbering = true;        // Auto_numerowanie_pomiarow
    bool tareFromPackaging = false;   // Tara_z_opakowania
    bool lockMassEdit = false;        // Zablokuj_edycje_masy
    bool lockPriceEdit = false;       // Zablokuj_edycje_ceny
    bool lockDelete = false;          // Zablokuj_usuwanie_pomiarow
    bool netInBrackets = false;       // Masa_otoczona_nawiasami
    bool dialPercent = true;          // Zegar_skala_procentowa
    bool singleOnLabel = false;       // Poj_pomiar_na_etykiecie
    bool simplifiedMarking = true;    // Uproszczone_zaznacz_pomiarow
    bool dialDefaultView = false;     // Zegar_widokiem_domyslnym
    bool fullScreen = false;          // Tryb_pelnoekranowy
    bool autoAdd = false;             // Auto_dodawanie
    double autoAddMin = 50.0;         // Auto_dodawanie_min
    double autoAddDelta = 10.0;       // Auto_dodawanie_delta
    int autoAddMode = 0;              // Auto_dodawanie_pierwszy (0, 1, 2)
    bool autoAddSound = false;        // Auto_dodawanie_dzwiek

    // Widths by Column. Screen: Szerokosc_kolumny_*; print: Szerokosc_druk_kolumny_*;
    // label: Szerokosc_et_druk_kolumny_* (nr, time, operator and customer have no label key).
    std::array<int, ColumnCount> screenWidths{50, 100, 70, 70, 70, 70, 70, 150, 115, 110, 150, 115};
    std::array<int, ColumnCount> printWidths{3, 17, 7, 7, 5, 7, 9, 10, 12, 10, 6, 15};
    std::array<int, ColumnCount> labelWidths{0, 0, 8, 8, 7, 7, 9, 11, 13, 12, 0, 0};
    int excelVersion = 0;             // Wersja_excel

    // Scale link keys of our own, after the standard ones and before "log".
    QByteArray scaleDevice;           // Urzadzenie_portu_wagi; empty = default for the COM number
    int scaleConnection = 0;          // Polaczenie_wagi: 0 RS-232, 1 Ethernet
    QByteArray scaleIpAddress = "127.0.0.1";  // Adres_IP_wagi
    int scaleIpPort = 3333;           // Port_IP_wagi

    // How the indicator speaks (keys of our own, after the link keys).
    int scaleProtocol = 0;            // Protokol_wagi: 0 standard .. 7 Modbus TCP (IndicatorProtocol)
    QByteArray scaleRequest;          // Zapytanie_wagi: escaped (\r, \n, \xHH); empty = never asks
    int scaleRequestMs = 200;         // Zapytanie_wagi_co_ms: 50..5000
    QByteArray scaleFramePattern;     // Wzorzec_ramki_wagi: regular expression, named groups
    QByteArray scaleStableText;       // Tekst_stabilny_wagi: what group "stabilny" holds when stable
    bool onlyStable = false;          // Tylko_stabilne: "Dodaj pomiar" refuses unstable readings
    int modbusUnit = 1;               // Modbus_adres_urzadzenia: 1..247
    int modbusRegister = 0;           // Modbus_rejestr: 0..65535
    int modbusRegisterKind = 0;       // Modbus_typ_rejestru: 0 holding, 1 input
    int modbusFormat = 2;             // Modbus_format: 0 int16, 1 uint16, 2 int32, 3 uint32, 4 float32
    int modbusWordOrder = 0;          // Modbus_kolejnosc_slow: 0 high word first, 1 low word first
    double modbusScale = 1.0;         // Modbus_mnoznik: raw value times this
    int modbusDecimals = 2;           // Modbus_miejsca_dziesietne: 0..6
    int modbusStatusRegister = -1;    // Modbus_rejestr_statusu: -1 none
    int modbusStableBit = 0;          // Modbus_bit_stabilny: 0..15
    int modbusParity = 0;             // Modbus_parzystosc: 0 none, 1 even, 2 odd (RTU)

    bool logEnabled = false;          // the line "log"

    // The archive directory with '/' for use on this system.
    QString ArchiveDirPath() const;
};

enum class ConfigFile { Read, Missing, Unreadable };

// Reads `path` over `config` (which holds the defaults). A missing file, or
// one that exists but cannot be read (no permission, a folder, a FIFO),
// changes nothing; the latter must then not be written over at close.
ConfigFile ReadConfig(const QString &path, ProgramConfig &config);
// ReadConfig; true when the file was read.
bool LoadConfig(const QString &path, ProgramConfig &config);

// Told once at start when konfig.ini exists but cannot be read.
QString UnreadableConfigMessage(const QString &path);

// The file's bytes for `config` (cp1250, CR LF, keys in their order).
QByteArray SerializeConfig(const ProgramConfig &config);

// Writes the file crash-safely; false when it could not be written.
bool SaveConfig(const QString &path, const ProgramConfig &config);

// True when all ten panel colour fields of the five tables are integers;
// otherwise every panel uses the default colours.
bool PanelColoursValid(const ProgramConfig &config);
