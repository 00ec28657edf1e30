#pragma once

// What the window "Ustawienia dodatkowe" edits and the rules around its OK:
// the lists it offers, the checks of the maximum mass and the archive
// folder, the column totals, and how the values go into ProgramConfig.

#include "core/program_config.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

// The drop-downs' entries, in list order; a list position is what is stored.
const std::array<int, 6> &TableFontSizes();
QStringList TableFontNames();
QStringList ExcelVersionNames();

// The list position of a setting, -1 when the list does not hold it.
int TableFontSizeIndex(int size);
int TableFontNameIndex(QByteArrayView name);

// A column width of any of the three groups: 0 hides the column.
constexpr int kMaxColumnWidth = 500;

// The columns a label prints, in their order on the window's label group.
constexpr std::array<Column, 8> kLabelColumns{ColMaterial, ColPackaging, ColOrder, ColGross,
                                              ColNet,      ColTare,      ColPrice, ColValue};

// Everything the window shows, as it shows it.
struct AdvancedSettings {
    int fontSizeIndex = -1;  // in TableFontSizes(); -1: nothing selected
    int fontNameIndex = -1;  // in TableFontNames()
    bool fullScreen = false;
    bool dialDefaultView = false;
    bool dialPercent = true;
    QString maxMass;  // as typed
    bool singleOnLabel = false;
    bool simplifiedMarking = true;
    bool lockMassEdit = false;
    bool lockPriceEdit = false;
    bool lockDelete = false;
    bool netInBrackets = false;
    bool autoDelete = false;
    bool autoNumbering = true;
    bool tareFromPackaging = false;
    QByteArray archiveDir;  // cp1250, as typed
    int excelVersion = -1;  // in ExcelVersionNames()
    std::array<int, ColumnCount> screenWidths{};
    std::array<int, ColumnCount> printWidths{};
    std::array<int, ColumnCount> labelWidths{};  // only kLabelColumns are edited
};

// The settings as the window presets them. The font positions are -1 for a
// font the lists do not offer (the window then keeps what it showed).
AdvancedSettings AdvancedSettingsFrom(const ProgramConfig &config);

// The maximum mass as typed: decimal digits with an optional sign, blanks
// around allowed; nullopt when it is not an integer.
std::optional<int> ParseMaxMass(const QString &text);
// Why the typed maximum mass cannot be taken; empty when it can. The dial
// divides by it, so it must be above zero.
QString MaxMassRefusal(const QString &text);
QString NotAnIntegerMessage();
QString MaxMassNotPositiveMessage();

// Why the archive folder cannot be taken; empty when it can.
QString ArchiveDirRefusal(QByteArrayView dir);
QString EmptyArchiveDirMessage();
// Why a folder picked in the dialog cannot be taken (a character cp1250
// lacks, more than Katalog_archiwum keeps); empty when it can.
QString PickedFolderRefusal(const QString &path);
QString UnstorableFolderMessage();
QString FolderTooLongMessage();
constexpr int kArchiveDirLength = 200;

// The folder with a final separator: the one it already uses ('\' for a
// folder typed the Windows way), '/' otherwise. Unchanged when it ends in one.
QByteArray WithTrailingSeparator(QByteArray dir);
// A picked folder as the field shows it: no final separator except for the root.
QString WithoutTrailingSeparator(QString dir);

// "Razem:" of each group. The screen's adds the check box column.
int ScreenColumnsTotal(int checkColumnWidth, const std::array<int, ColumnCount> &widths);
int PrintColumnsTotal(const std::array<int, ColumnCount> &widths);
int LabelColumnsTotal(const std::array<int, ColumnCount> &widths);

// The line under the screen widths: the width of the list of "Tabela 1".
QString TableWidthLine(int tableWidth);

// What the main window must do beyond the stored values.
struct AdvancedSettingsEffects {
    // Single-weighing labels were just switched on: every row's mark goes.
    bool clearMarks = false;
};

// Writes the accepted settings into `config`. A list with nothing selected
// and a maximum mass that MaxMassRefusal refuses leave their setting as it
// was; the archive folder gets its final separator.
AdvancedSettingsEffects StoreAdvancedSettings(const AdvancedSettings &settings, ProgramConfig &config);
