#pragma once

// BIFF8 records of the .xls workbook stream: the record frame, strings,
// the shared string table and the number cells.

#include <QByteArray>
#include <QHash>
#include <QString>

#include <initializer_list>
#include <optional>
#include <vector>

namespace xls {

// BIFF8 record identifiers.
enum : quint16 {
    kBof = 0x0809,
    kEof = 0x000A,
    kInterfaceHdr = 0x00E1,
    kMms = 0x00C1,
    kInterfaceEnd = 0x00E2,
    kWriteAccess = 0x005C,
    kCodePage = 0x0042,
    kDsf = 0x0161,
    kRRTabId = 0x013D,
    kWinProtect = 0x0019,
    kProtect = 0x0012,
    kPassword = 0x0013,
    kProt4Rev = 0x01AF,
    kProt4RevPass = 0x01BC,
    kWindow1 = 0x003D,
    kBackup = 0x0040,
    kHideObj = 0x008D,
    kDate1904 = 0x0022,
    kCalcPrecision = 0x000E,
    kRefreshAll = 0x01B7,
    kBookBool = 0x00DA,
    kFont = 0x0031,
    kFormat = 0x041E,
    kXf = 0x00E0,
    kStyle = 0x0293,
    kUsesElfs = 0x0160,
    kBoundSheet = 0x0085,
    kCountry = 0x008C,
    kSst = 0x00FC,
    kExtSst = 0x00FF,
    kContinue = 0x003C,
    kIndex = 0x020B,
    kCalcMode = 0x000D,
    kCalcCount = 0x000C,
    kCalcRefMode = 0x000F,
    kCalcIter = 0x0011,
    kCalcDelta = 0x0010,
    kCalcSaveRecalc = 0x005F,
    kPrintRowCol = 0x002A,
    kPrintGrid = 0x002B,
    kGridSet = 0x0082,
    kGuts = 0x0080,
    kDefaultRowHeight = 0x0225,
    kWsBool = 0x0081,
    kHeader = 0x0014,
    kFooter = 0x0015,
    kHCenter = 0x0083,
    kVCenter = 0x0084,
    kSetup = 0x00A1,
    kDefColWidth = 0x0055,
    kColInfo = 0x007D,
    kDimensions = 0x0200,
    kRow = 0x0208,
    kDbCell = 0x00D7,
    kWindow2 = 0x023E,
    kPane = 0x0041,
    kSelection = 0x001D,
    kRk = 0x027E,
    kNumber = 0x0203,
    kLabelSst = 0x00FD,
    kBoolErr = 0x0205,
};

constexpr int kMaxRecordData = 8224; // longer records go on in CONTINUE records

// XF 0..14 are the style records every workbook has, 15 the default cell
// format (General).
constexpr quint16 kGeneralXf = 15;

// One record: its id, its length and `body` (at most kMaxRecordData bytes).
void Record(QByteArray &out, quint16 id, const QByteArray &body = {});

// Record bodies of small fixed fields.
QByteArray U16s(std::initializer_list<quint16> values);

// Text goes as 8-bit characters (the low byte of UTF-16) when every
// character fits, as UTF-16 otherwise.
bool NeedsWide(QStringView s);
void PutChars(QByteArray &b, QStringView s, bool wide);

// A string with a 16-bit length (FORMAT, WRITEACCESS).
void PutString16(QByteArray &b, QStringView s);

// A string with an 8-bit length (FONT, BOUNDSHEET).
void PutString8(QByteArray &b, QStringView s);

// The workbook's table of distinct cell texts (SST), built as its records
// while the strings come in: where a string does not fit the record, it goes
// on in a CONTINUE record, which repeats the string's character width.
class SharedStrings {
  public:
    SharedStrings();

    // The index of `s`, added when new.
    quint32 Add(const QString &s);
    std::optional<quint32> Find(const QString &s) const;

    // The SST record and its CONTINUE records; `references` is the number of
    // cells that use the table.
    const QByteArray &Finish(quint32 references);

    // EXTSST for the table placed at stream position `at`: where every
    // dsst-th string starts, so a reader can seek into the table.
    QByteArray ExtSst(quint32 at) const;

  private:
    qsizetype Room() const { return kMaxRecordData - (data_.size() - recordStart_ - 4); }
    void StartRecord(quint16 id);
    void EndRecord();
    void Append(QStringView s);

    QHash<QString, quint32> index_;
    QByteArray data_;
    qsizetype recordStart_ = 0;
    std::vector<quint32> stringAt_; // offset in data_ of every string
    std::vector<quint32> recordAt_; // offset in data_ of every record
};

// The RK form of `v` (a 30-bit integer or the top 30 bits of the double,
// either optionally divided by 100) when it gives back exactly `v`.
std::optional<quint32> RkValue(double v);

// Header and the row, column, XF fields every cell record starts with;
// returns where the cell's own fields go.
char *CellStart(char *p, quint16 id, quint16 bodySize, quint16 rw, quint16 col, quint16 xf);

// The smallest record that holds `v` (RK or NUMBER); a value that is no
// number a sheet holds becomes the #NUM! error.
void PutNumberCell(QByteArray &out, quint16 rw, quint16 col, quint16 xf, double v);

} // namespace xls
