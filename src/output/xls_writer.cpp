#include "output/xls_writer.h"

#include "core/safe_file.h"

#include <QHash>
#include <QtEndian>

#include <algorithm>
#include <bit>
#include <cmath>
#include <optional>
#include <vector>

namespace {

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
    kRk = 0x027E,
    kNumber = 0x0203,
    kLabelSst = 0x00FD,
    kBoolErr = 0x0205,
};

constexpr int kMaxRecordData = 8224; // longer records go on in CONTINUE records
constexpr int kRowsPerBlock = 32;    // rows indexed by one DBCELL
constexpr int kRowRecordSize = 4 + 16;
constexpr int kMaxTextLength = 32767; // characters a cell holds
constexpr int kMaxDecimals = 30;      // what a number format shows
constexpr quint16 kDefaultRowTwips = 255;

// XF 0..14 are the style records every workbook has, 15 the default cell
// format (General); our cell formats follow.
constexpr quint16 kGeneralXf = 15;
constexpr quint16 kDateTimeXf = 16;
constexpr quint16 kFirstDecimalsXf = 17; // + decimals
constexpr quint16 kFirstCustomFormat = 164;
// At least eight FORMAT records are expected; formats for 0..6 decimals and
// the date make them.
constexpr int kAlwaysDecimals = 6;

const QString kSheetName = QStringLiteral("Arkusz1");

// ---------------------------------------------------------------- bytes

void Put16(QByteArray &b, quint16 v)
{
    const char c[2] = {char(v & 0xFF), char(v >> 8)};
    b.append(c, 2);
}

void Put32(QByteArray &b, quint32 v)
{
    char c[4];
    qToLittleEndian(v, c);
    b.append(c, 4);
}

void PutDouble(QByteArray &b, double v)
{
    char c[8];
    qToLittleEndian(std::bit_cast<quint64>(v), c);
    b.append(c, 8);
}

void Patch16(QByteArray &b, qsizetype at, quint16 v)
{
    qToLittleEndian(v, b.data() + at);
}

void Patch32(QByteArray &b, qsizetype at, quint32 v)
{
    qToLittleEndian(v, b.data() + at);
}

void Record(QByteArray &out, quint16 id, const QByteArray &body = {})
{
    Q_ASSERT(body.size() <= kMaxRecordData);
    Put16(out, id);
    Put16(out, quint16(body.size()));
    out.append(body);
}

// Record bodies of small fixed fields.
QByteArray U16s(std::initializer_list<quint16> values)
{
    QByteArray b;
    for (const quint16 v : values)
        Put16(b, v);
    return b;
}

// Text goes as 8-bit characters (the low byte of UTF-16) when every
// character fits, as UTF-16 otherwise.
bool NeedsWide(QStringView s)
{
    return std::any_of(s.begin(), s.end(), [](QChar c) { return c.unicode() > 0xFF; });
}

void PutChars(QByteArray &b, QStringView s, bool wide)
{
    if (wide) {
        for (const QChar c : s)
            Put16(b, c.unicode());
    } else {
        for (const QChar c : s)
            b.append(char(c.unicode()));
    }
}

// A string with a 16-bit length (FORMAT, WRITEACCESS).
void PutString16(QByteArray &b, QStringView s)
{
    const bool wide = NeedsWide(s);
    Put16(b, quint16(s.size()));
    b.append(char(wide ? 1 : 0));
    PutChars(b, s, wide);
}

// A string with an 8-bit length (FONT, BOUNDSHEET).
void PutString8(QByteArray &b, QStringView s)
{
    const bool wide = NeedsWide(s);
    b.append(char(quint8(s.size())));
    b.append(char(wide ? 1 : 0));
    PutChars(b, s, wide);
}

// ---------------------------------------------------------------- shared strings

// The workbook's table of distinct cell texts (SST), built as its records
// while the strings come in: where a string does not fit the record, it goes
// on in a CONTINUE record, which repeats the string's character width.
class SharedStrings {
  public:
    SharedStrings()
    {
        StartRecord(kSst);
        data_.append(8, '\0'); // total and distinct counts, known at the end
    }

    quint32 Add(const QString &s)
    {
        const auto it = index_.constFind(s);
        if (it != index_.cend())
            return *it;
        const quint32 i = quint32(index_.size());
        index_.insert(s, i);
        Append(s);
        return i;
    }

    std::optional<quint32> Find(const QString &s) const
    {
        const auto it = index_.constFind(s);
        if (it == index_.cend())
            return std::nullopt;
        return *it;
    }

    // The SST record and its CONTINUE records; `references` is the number of
    // cells that use the table.
    const QByteArray &Finish(quint32 references)
    {
        EndRecord();
        Patch32(data_, 4, references);
        Patch32(data_, 8, quint32(index_.size()));
        return data_;
    }

    // EXTSST for the table placed at stream position `at`: where every
    // dsst-th string starts, so a reader can seek into the table.
    QByteArray ExtSst(quint32 at) const
    {
        const quint32 unique = quint32(index_.size());
        const quint32 dsst = std::max<quint32>(unique / 128 + 1, 8);
        QByteArray b;
        Put16(b, quint16(dsst));
        for (quint32 i = 0; i < unique; i += dsst) {
            const quint32 offset = stringAt_[i];
            const quint32 record = *(std::upper_bound(recordAt_.begin(), recordAt_.end(), offset) - 1);
            Put32(b, at + offset);
            Put16(b, quint16(offset - record)); // from the record's header
            Put16(b, 0);
        }
        return b;
    }

  private:
    qsizetype Room() const { return kMaxRecordData - (data_.size() - recordStart_ - 4); }

    void StartRecord(quint16 id)
    {
        recordStart_ = data_.size();
        recordAt_.push_back(quint32(recordStart_));
        Put16(data_, id);
        Put16(data_, 0);
    }

    void EndRecord() { Patch16(data_, recordStart_ + 2, quint16(data_.size() - recordStart_ - 4)); }

    void Append(QStringView s)
    {
        const bool wide = NeedsWide(s);
        const int unit = wide ? 2 : 1;
        // The length and flags never part from the first character.
        if (Room() < 3 + unit) {
            EndRecord();
            StartRecord(kContinue);
        }
        stringAt_.push_back(quint32(data_.size()));
        Put16(data_, quint16(s.size()));
        data_.append(char(wide ? 1 : 0));
        qsizetype done = 0;
        for (;;) {
            const qsizetype n = std::min<qsizetype>(Room() / unit, s.size() - done);
            PutChars(data_, s.mid(done, n), wide);
            done += n;
            if (done == s.size())
                break;
            EndRecord();
            StartRecord(kContinue);
            data_.append(char(wide ? 1 : 0));
        }
    }

    QHash<QString, quint32> index_;
    QByteArray data_;
    qsizetype recordStart_ = 0;
    std::vector<quint32> stringAt_; // offset in data_ of every string
    std::vector<quint32> recordAt_; // offset in data_ of every record
};

// ---------------------------------------------------------------- cells

// The RK form of `v` (a 30-bit integer or the top 30 bits of the double,
// either optionally divided by 100) when it gives back exactly `v`.
std::optional<quint32> RkValue(double v)
{
    const quint64 bits = std::bit_cast<quint64>(v);
    constexpr double kLimit = double(1 << 29);
    if (std::fabs(v) < kLimit && v == std::trunc(v)) {
        const qint32 i = qint32(v);
        if (std::bit_cast<quint64>(double(i)) == bits)
            return (quint32(i) << 2) | 2;
    }
    if ((bits & 0x3FFFFFFFFull) == 0)
        return quint32(bits >> 32);
    const double hundred = v * 100;
    if (std::fabs(hundred) < kLimit && hundred == std::trunc(hundred)) {
        const qint32 i = qint32(hundred);
        if (std::bit_cast<quint64>(double(i) / 100) == bits)
            return (quint32(i) << 2) | 3;
    }
    return std::nullopt;
}

int ClampDecimals(int decimals)
{
    return std::clamp(decimals, 0, kMaxDecimals);
}

// Characters a cell takes on screen, for the column widths.
int ShownWidth(const SheetCell &c)
{
    switch (c.kind) {
    case SheetCell::Kind::Empty:
        return 0;
    case SheetCell::Kind::Text:
        return int(std::min<qsizetype>(c.text.size(), kMaxTextLength));
    case SheetCell::Kind::DateTime:
        return 16; // yyyy-mm-dd hh:mm
    case SheetCell::Kind::Integer:
    case SheetCell::Kind::Number:
        break;
    }
    double a = std::fabs(c.number);
    int digits = 1;
    while (a >= 10 && digits < 40) {
        a /= 10;
        ++digits;
    }
    const int decimals = c.kind == SheetCell::Kind::Number ? ClampDecimals(c.decimals) : 0;
    return digits + (decimals > 0 ? decimals + 1 : 0) + (c.number < 0 ? 1 : 0);
}

// Header and the row, column, XF fields every cell record starts with.
char *CellStart(char *p, quint16 id, quint16 bodySize, quint16 rw, quint16 col, quint16 xf)
{
    qToLittleEndian(id, p);
    qToLittleEndian(bodySize, p + 2);
    qToLittleEndian(rw, p + 4);
    qToLittleEndian(col, p + 6);
    qToLittleEndian(xf, p + 8);
    return p + 10;
}

void PutNumberCell(QByteArray &out, quint16 rw, quint16 col, quint16 xf, double v)
{
    char rec[18];
    if (!std::isfinite(v)) {
        // No number a sheet holds: the #NUM! error shows it is not one.
        char *p = CellStart(rec, kBoolErr, 8, rw, col, kGeneralXf);
        p[0] = 0x24;
        p[1] = 1;
        out.append(rec, 12);
    } else if (const std::optional<quint32> rk = RkValue(v)) {
        qToLittleEndian(*rk, CellStart(rec, kRk, 10, rw, col, xf));
        out.append(rec, 14);
    } else {
        qToLittleEndian(std::bit_cast<quint64>(v), CellStart(rec, kNumber, 14, rw, col, xf));
        out.append(rec, 18);
    }
}

// ---------------------------------------------------------------- compound file

constexpr quint32 kSectorSize = 512;
constexpr quint32 kMiniSectorSize = 64;
constexpr quint32 kMiniStreamCutoff = 4096; // smaller streams live in the mini stream
constexpr quint32 kIdsPerSector = kSectorSize / 4;
constexpr quint32 kHeaderDifat = 109;
constexpr quint32 kFreeSect = 0xFFFFFFFF;
constexpr quint32 kEndOfChain = 0xFFFFFFFE;
constexpr quint32 kFatSect = 0xFFFFFFFD;
constexpr quint32 kDifSect = 0xFFFFFFFC;
constexpr quint32 kNoStream = 0xFFFFFFFF;
constexpr quint64 kMaxStreamSize = 0x7FFFFFFF; // what a version 3 file and BIFF offsets allow

quint64 CeilDiv(quint64 a, quint64 b)
{
    return (a + b - 1) / b;
}

void PutSectorIds(QByteArray &b, const std::vector<quint32> &ids)
{
    for (const quint32 id : ids)
        Put32(b, id);
}

void PutDirectoryEntry(QByteArray &b, QStringView name, quint8 type, quint32 child, quint32 start, quint64 size,
                       bool excelClass)
{
    const qsizetype at = b.size();
    b.append(128, '\0');
    char *e = b.data() + at;
    for (qsizetype i = 0; i < name.size(); ++i)
        qToLittleEndian(name[i].unicode(), e + 2 * i);
    qToLittleEndian(quint16(type == 0 ? 0 : (name.size() + 1) * 2), e + 64);
    e[66] = char(type);
    e[67] = 1; // black
    qToLittleEndian(kNoStream, e + 68);
    qToLittleEndian(kNoStream, e + 72);
    qToLittleEndian(child, e + 76);
    if (excelClass) {
        // {00020820-0000-0000-C000-000000000046}, an Excel 97-2003 workbook
        static const char kClsid[16] = {0x20, 0x08, 0x02, 0, 0, 0, 0, 0, char(0xC0), 0, 0, 0, 0, 0, 0, 0x46};
        std::copy(kClsid, kClsid + 16, e + 80);
    }
    if (type != 0) {
        qToLittleEndian(start, e + 116);
        qToLittleEndian(size, e + 120);
    }
}

// The compound file around one stream ("Workbook") of `size` bytes: the
// header before it, and after it, in sector order, the allocation tables
// and the directory. The stream itself takes the sectors from 0, padded to
// whole sectors; a stream below the mini stream cutoff is stored as the
// mini stream, with its mini sectors chained in a mini FAT.
struct Container {
    QByteArray header;
    QByteArray trailer;
    quint64 paddedStream = 0;
};

Container BuildContainer(quint64 size)
{
    const bool small = size < kMiniStreamCutoff;
    const quint64 miniSectors = small ? CeilDiv(size, kMiniSectorSize) : 0;
    const quint64 dataSectors = CeilDiv(small ? miniSectors * kMiniSectorSize : size, kSectorSize);
    const quint64 fixedSectors = small ? 2 : 1; // (mini FAT and) directory
    // The FAT maps every sector, its own and the DIFAT's included.
    quint64 fat = 1, difat = 0;
    for (;;) {
        const quint64 total = dataSectors + fixedSectors + fat + difat;
        const quint64 needFat = CeilDiv(total, kIdsPerSector);
        const quint64 needDifat = needFat > kHeaderDifat ? CeilDiv(needFat - kHeaderDifat, kIdsPerSector - 1) : 0;
        if (needFat == fat && needDifat == difat)
            break;
        fat = std::max(fat, needFat);
        difat = std::max(difat, needDifat);
    }
    const quint32 s = quint32(dataSectors);
    const quint32 miniFatSector = small ? s : kEndOfChain;
    const quint32 dirSector = small ? s + 1 : s + quint32(fat + difat);
    const quint32 fatStart = small ? s + 2 : s;
    const quint32 difatStart = fatStart + quint32(fat);

    std::vector<quint32> table(fat * kIdsPerSector, kFreeSect);
    for (quint32 i = 0; i < s; ++i)
        table[i] = i + 1 < s ? i + 1 : kEndOfChain;
    for (quint32 i = 0; i < fat; ++i)
        table[fatStart + i] = kFatSect;
    for (quint32 i = 0; i < difat; ++i)
        table[difatStart + i] = kDifSect;
    table[dirSector] = kEndOfChain;
    if (small)
        table[miniFatSector] = kEndOfChain;

    Container c;
    c.paddedStream = quint64(s) * kSectorSize;
    QByteArray &h = c.header;
    h.append("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    h.append(16, '\0');
    Put16(h, 0x003E); // minor version
    Put16(h, 0x0003); // major version 3: 512-byte sectors
    Put16(h, 0xFFFE); // little-endian
    Put16(h, 9);      // sector size 2^9
    Put16(h, 6);      // mini sector size 2^6
    h.append(6, '\0');
    Put32(h, 0); // directory sectors: always 0 in version 3
    Put32(h, quint32(fat));
    Put32(h, dirSector);
    Put32(h, 0); // transactions: none
    Put32(h, kMiniStreamCutoff);
    Put32(h, miniFatSector);
    Put32(h, small ? 1 : 0);
    Put32(h, difat ? difatStart : kEndOfChain);
    Put32(h, quint32(difat));
    std::vector<quint32> difatIds; // FAT sectors listed past the header's 109
    for (quint32 i = 0; i < fat; ++i) {
        if (i < kHeaderDifat)
            Put32(h, fatStart + i);
        else
            difatIds.push_back(fatStart + i);
    }
    for (quint32 i = quint32(fat); i < kHeaderDifat; ++i)
        Put32(h, kFreeSect);
    Q_ASSERT(h.size() == qsizetype(kSectorSize));

    QByteArray fatBytes;
    PutSectorIds(fatBytes, table);
    QByteArray difatBytes;
    for (quint32 d = 0; d < difat; ++d) {
        std::vector<quint32> ids(kIdsPerSector, kFreeSect);
        for (quint32 i = 0; i + 1 < kIdsPerSector; ++i) {
            const quint64 k = quint64(d) * (kIdsPerSector - 1) + i;
            if (k < difatIds.size())
                ids[i] = difatIds[k];
        }
        ids.back() = d + 1 < difat ? difatStart + d + 1 : kEndOfChain;
        PutSectorIds(difatBytes, ids);
    }
    QByteArray dir;
    PutDirectoryEntry(dir, u"Root Entry", 5, 1, small ? 0 : kEndOfChain, miniSectors * kMiniSectorSize, true);
    PutDirectoryEntry(dir, u"Workbook", 2, kNoStream, 0, size, false);
    PutDirectoryEntry(dir, u"", 0, kNoStream, 0, 0, false);
    PutDirectoryEntry(dir, u"", 0, kNoStream, 0, 0, false);

    if (small) {
        std::vector<quint32> miniFat(kIdsPerSector, kFreeSect);
        for (quint32 i = 0; i < miniSectors; ++i)
            miniFat[i] = i + 1 < miniSectors ? i + 1 : kEndOfChain;
        PutSectorIds(c.trailer, miniFat);
        c.trailer += dir;
        c.trailer += fatBytes;
    } else {
        c.trailer = fatBytes + difatBytes + dir;
    }
    return c;
}

// ---------------------------------------------------------------- the workbook

class Workbook {
  public:
    explicit Workbook(const SheetSource &source) : source_(source)
    {
        headings_.reserve(source.headings.size());
        for (const QString &h : source.headings)
            headings_.append(SheetCell::Text(h));
        blocks_.resize(CeilDiv(quint64(source.rows) + 1, kRowsPerBlock));
    }

    // First pass: the strings, formats, widths and the size of every row block.
    bool Survey()
    {
        QByteArray scratch;
        for (int r = 0; r <= source_.rows; ++r) {
            scratch.resize(0);
            int colMic = 0, colMac = 0;
            if (!EncodeRow(r, Cells(r), true, scratch, colMic, colMac))
                return false;
            if (colMac == colMic)
                continue;
            if (firstRow_ < 0)
                firstRow_ = r;
            lastRow_ = r;
            firstCol_ = std::min(firstCol_, colMic);
            lastCol_ = std::max(lastCol_, colMac);
            Block &b = blocks_[r / kRowsPerBlock];
            ++b.rows;
            b.cellBytes += quint64(scratch.size());
        }
        return true;
    }

    QByteArray Globals()
    {
        QByteArray g;
        Record(g, kBof, Bof(0x0005));
        Record(g, kInterfaceHdr, U16s({1200}));
        Record(g, kMms, U16s({0}));
        Record(g, kInterfaceEnd);
        QByteArray access;
        PutString16(access, u"pomiary");
        access.append(112 - access.size(), ' ');
        Record(g, kWriteAccess, access);
        Record(g, kCodePage, U16s({1200})); // UTF-16
        Record(g, kDsf, U16s({0}));
        Record(g, kRRTabId, U16s({1}));
        Record(g, kWinProtect, U16s({0}));
        Record(g, kProtect, U16s({0}));
        Record(g, kPassword, U16s({0}));
        Record(g, kProt4Rev, U16s({0}));
        Record(g, kProt4RevPass, U16s({0}));
        // Window position and size in twips, scroll bars and sheet tabs shown, one tab selected.
        Record(g, kWindow1, U16s({0, 0, 0x4000, 0x2400, 0x0038, 0, 0, 1, 600}));
        Record(g, kBackup, U16s({0}));
        Record(g, kHideObj, U16s({0}));
        Record(g, kDate1904, U16s({0})); // serial dates count from 1899-12-30
        Record(g, kCalcPrecision, U16s({1}));
        Record(g, kRefreshAll, U16s({0}));
        Record(g, kBookBool, U16s({0}));
        // Four fonts, as the style records below refer to the first three.
        for (int i = 0; i < 4; ++i) {
            QByteArray font = U16s({200, 0, 0x7FFF, 400, 0}); // 10 pt, automatic colour, normal weight
            font.append(4, '\0');                             // underline, family, character set, reserved
            PutString8(font, u"Arial");
            Record(g, kFont, font);
        }
        const int decimalsFormats = std::max(maxDecimals_, kAlwaysDecimals) + 1;
        Record(g, kFormat, Format(kFirstCustomFormat, DateTimeFormat()));
        for (int d = 0; d < decimalsFormats; ++d)
            Record(g, kFormat, Format(quint16(kFirstCustomFormat + 1 + d), NumberFormat(d)));
        // The style XFs every workbook carries (Normal and the outline levels), then the cells'.
        for (int i = 0; i < 15; ++i)
            Record(g, kXf, Xf(i == 0 ? 0 : i <= 2 ? 1 : i <= 4 ? 2 : 0, 0, true, i == 0 ? 0x00 : 0xF4));
        Record(g, kXf, Xf(0, 0, false, 0x00));
        Record(g, kXf, Xf(0, kFirstCustomFormat, false, 0x04));
        for (int d = 0; d < decimalsFormats; ++d)
            Record(g, kXf, Xf(0, quint16(kFirstCustomFormat + 1 + d), false, 0x04));
        Record(g, kStyle, QByteArray("\x00\x80\x00\xFF", 4)); // "Normal" is XF 0
        Record(g, kUsesElfs, U16s({0}));
        const qsizetype boundSheetAt = g.size();
        QByteArray sheet(4, '\0'); // the sheet's position, known at the end
        sheet.append(2, '\0');     // visible worksheet
        PutString8(sheet, kSheetName);
        Record(g, kBoundSheet, sheet);
        Record(g, kCountry, U16s({48, 48})); // Poland
        const quint32 sstAt = quint32(g.size());
        g.append(sst_.Finish(stringRefs_));
        Record(g, kExtSst, sst_.ExtSst(sstAt));
        Record(g, kEof);
        Patch32(g, boundSheetAt + 4, quint32(g.size()));
        return g;
    }

    // The worksheet's records before its cells, for the sheet starting at
    // stream position `at`.
    QByteArray SheetHead(quint32 at) const
    {
        QByteArray h;
        Record(h, kBof, Bof(0x0010));
        const qsizetype indexAt = h.size();
        const int firstBlock = firstRow_ < 0 ? 0 : firstRow_ / kRowsPerBlock;
        const int blockCount = firstRow_ < 0 ? 0 : lastRow_ / kRowsPerBlock - firstBlock + 1;
        Record(h, kIndex, QByteArray(16 + 4 * blockCount, '\0'));
        Record(h, kCalcMode, U16s({1})); // automatic
        Record(h, kCalcCount, U16s({100}));
        Record(h, kCalcRefMode, U16s({1})); // A1 references
        Record(h, kCalcIter, U16s({0}));
        QByteArray delta;
        PutDouble(delta, 0.001);
        Record(h, kCalcDelta, delta);
        Record(h, kCalcSaveRecalc, U16s({1}));
        Record(h, kPrintRowCol, U16s({0}));
        Record(h, kPrintGrid, U16s({0}));
        Record(h, kGridSet, U16s({1}));
        Record(h, kGuts, U16s({0, 0, 0, 0}));
        Record(h, kDefaultRowHeight, U16s({0, kDefaultRowTwips}));
        Record(h, kWsBool, U16s({0x04C1})); // automatic page breaks, outline symbols, summary rows below
        Record(h, kHeader);
        Record(h, kFooter);
        Record(h, kHCenter, U16s({0}));
        Record(h, kVCenter, U16s({0}));
        // A4 portrait at 100 %, 600 dpi, half-inch header and footer margins, one copy.
        QByteArray setup = U16s({9, 100, 1, 1, 1, 0x0002, 600, 600});
        PutDouble(setup, 0.5);
        PutDouble(setup, 0.5);
        Put16(setup, 1);
        Record(h, kSetup, setup);
        const qsizetype defColWidthAt = h.size();
        Record(h, kDefColWidth, U16s({8}));
        ColumnWidths(h);
        QByteArray dims;
        Put32(dims, firstRow_ < 0 ? 0 : quint32(firstRow_));
        Put32(dims, firstRow_ < 0 ? 0 : quint32(lastRow_ + 1));
        Put16(dims, firstRow_ < 0 ? 0 : quint16(firstCol_));
        Put16(dims, firstRow_ < 0 ? 0 : quint16(lastCol_));
        Put16(dims, 0);
        Record(h, kDimensions, dims);

        // INDEX: the rows in use, where DEFCOLWIDTH is and every DBCELL.
        const qsizetype body = indexAt + 4;
        Patch32(h, body + 4, firstRow_ < 0 ? 0 : quint32(firstRow_));
        Patch32(h, body + 8, firstRow_ < 0 ? 0 : quint32(lastRow_ + 1));
        Patch32(h, body + 12, at + quint32(defColWidthAt));
        quint64 pos = quint64(at) + quint64(h.size());
        for (int i = 0; i < blockCount; ++i) {
            const Block &b = blocks_[firstBlock + i];
            pos += BlockSize(b);
            Patch32(h, body + 16 + 4 * i, quint32(pos - DbCellSize(b)));
        }
        return h;
    }

    quint64 CellTableSize() const
    {
        quint64 n = 0;
        if (firstRow_ >= 0)
            for (int b = firstRow_ / kRowsPerBlock; b <= lastRow_ / kRowsPerBlock; ++b)
                n += BlockSize(blocks_[b]);
        return n;
    }

    static QByteArray SheetTail()
    {
        QByteArray t;
        // Grid, headers, zeros and outline symbols shown, the sheet selected and shown; default zoom.
        Record(t, kWindow2, U16s({0x06B6, 0, 0, 0x40, 0, 0, 0, 0, 0}));
        Record(t, kEof);
        return t;
    }

    // Second pass: the row blocks, each ROW records, cells, DBCELL. False
    // when the source no longer gives what the first pass measured.
    bool WriteCells(SafeFileWriter &out)
    {
        if (firstRow_ < 0)
            return true;
        struct RowAt {
            quint16 rw, colMic, colMac;
            qsizetype cellsAt;
        };
        std::vector<RowAt> rows;
        QByteArray cells, block;
        for (int b = firstRow_ / kRowsPerBlock; b <= lastRow_ / kRowsPerBlock; ++b) {
            rows.clear();
            cells.resize(0);
            block.resize(0);
            for (int r = b * kRowsPerBlock; r < std::min((b + 1) * kRowsPerBlock, lastRow_ + 1); ++r) {
                const qsizetype at = cells.size();
                int colMic = 0, colMac = 0;
                if (!EncodeRow(r, Cells(r), false, cells, colMic, colMac))
                    return false;
                if (colMac != colMic)
                    rows.push_back({quint16(r), quint16(colMic), quint16(colMac), at});
            }
            for (const RowAt &row : rows) {
                Put16(block, kRow);
                Put16(block, kRowRecordSize - 4);
                // Default height, no outline; the 0x0100 bit is always set.
                for (const quint16 v : {row.rw, row.colMic, row.colMac, kDefaultRowTwips, quint16(0), quint16(0),
                                        quint16(0x0100), kGeneralXf})
                    Put16(block, v);
            }
            block += cells;
            QByteArray dbCell;
            Put32(dbCell, rows.empty() ? 0 : quint32(block.size()));
            for (size_t i = 0; i < rows.size(); ++i)
                Put16(dbCell,
                      quint16(i == 0 ? (rows.size() - 1) * kRowRecordSize : rows[i].cellsAt - rows[i - 1].cellsAt));
            Record(block, kDbCell, dbCell);
            if (quint64(block.size()) != BlockSize(blocks_[b]) || !out.Write(block))
                return false;
        }
        return true;
    }

  private:
    struct Block {
        int rows = 0; // rows with cells
        quint64 cellBytes = 0;
    };

    static quint64 DbCellSize(const Block &b) { return 8 + 2 * quint64(b.rows); }
    static quint64 BlockSize(const Block &b) { return quint64(b.rows) * kRowRecordSize + b.cellBytes + DbCellSize(b); }

    static QByteArray Bof(quint16 type)
    {
        // BIFF8; build and year of Excel 97; last saved on Windows, readable from BIFF8 on.
        QByteArray b = U16s({0x0600, type, 0x0DBB, 0x07CC});
        Put32(b, 0x00000009);
        Put32(b, 0x00000006);
        return b;
    }

    static QByteArray Format(quint16 id, const QString &code)
    {
        QByteArray b;
        Put16(b, id);
        PutString16(b, code);
        return b;
    }

    // An XF: font, number format, style or cell; `used` tells which of its
    // attributes a cell XF sets itself (0x04: the number format), and for a
    // style XF which it leaves to the cells. Bottom-aligned, no borders, no fill.
    static QByteArray Xf(quint16 font, quint16 format, bool style, quint8 used)
    {
        QByteArray b = U16s({font, format, quint16(style ? 0xFFF5 : 0x0001)});
        b.append(char(0x20));
        b.append(2, '\0');
        b.append(char(used));
        b.append(8, '\0');
        Put16(b, 0x20C0); // pattern colours: system foreground and background
        return b;
    }

    void ColumnWidths(QByteArray &h) const
    {
        // Runs of equal widths share a record; a sheet takes at most 255, the
        // last one then covers the remaining columns at their widest.
        struct Run {
            int first, last, width;
        };
        std::vector<Run> runs;
        for (int col = 0; col < int(widths_.size()); ++col) {
            if (!runs.empty() && runs.back().width == widths_[col])
                runs.back().last = col;
            else
                runs.push_back({col, col, widths_[col]});
        }
        while (runs.size() > 255) {
            const Run last = runs.back();
            runs.pop_back();
            runs.back().last = last.last;
            runs.back().width = std::max(runs.back().width, last.width);
        }
        for (const Run &run : runs)
            Record(h, kColInfo,
                   U16s({quint16(run.first), quint16(run.last), quint16(run.width), kGeneralXf, 0x0002, 0}));
    }

    QList<SheetCell> Cells(int sheetRow) const { return sheetRow == 0 ? headings_ : source_.cells(sheetRow - 1); }

    // Appends the cell records of sheet row `rw`. When surveying, new texts
    // join the string table and the widths and decimals are noted; when
    // writing, every text must already be there. False when the row does
    // not fit the sheet.
    bool EncodeRow(int rw, const QList<SheetCell> &cells, bool survey, QByteArray &out, int &colMic, int &colMac)
    {
        colMic = colMac = 0;
        for (qsizetype col = 0; col < cells.size(); ++col) {
            const SheetCell &c = cells[col];
            if (c.kind == SheetCell::Kind::Empty || (c.kind == SheetCell::Kind::Text && c.text.isEmpty()))
                continue;
            if (col >= kXlsMaxColumns)
                return false;
            if (colMac == colMic)
                colMic = int(col);
            colMac = int(col) + 1;
            const quint16 r = quint16(rw), k = quint16(col);
            switch (c.kind) {
            case SheetCell::Kind::Empty:
                break;
            case SheetCell::Kind::Text: {
                QString text = c.text;
                if (text.size() > kMaxTextLength)
                    text.truncate(kMaxTextLength - (text[kMaxTextLength - 1].isHighSurrogate() ? 1 : 0));
                quint32 isst = 0;
                if (survey) {
                    isst = sst_.Add(text);
                    ++stringRefs_;
                } else if (const std::optional<quint32> found = sst_.Find(text)) {
                    isst = *found;
                } else {
                    return false;
                }
                char rec[14];
                qToLittleEndian(isst, CellStart(rec, kLabelSst, 10, r, k, kGeneralXf));
                out.append(rec, 14);
                break;
            }
            case SheetCell::Kind::Integer:
                PutNumberCell(out, r, k, kFirstDecimalsXf, c.number);
                break;
            case SheetCell::Kind::Number: {
                const int decimals = ClampDecimals(c.decimals);
                if (survey)
                    maxDecimals_ = std::max(maxDecimals_, decimals);
                PutNumberCell(out, r, k, quint16(kFirstDecimalsXf + decimals), c.number);
                break;
            }
            case SheetCell::Kind::DateTime:
                PutNumberCell(out, r, k, kDateTimeXf, c.number);
                break;
            }
            if (survey)
                NoteWidth(int(col), ShownWidth(c));
        }
        return true;
    }

    void NoteWidth(int col, int chars)
    {
        if (col >= int(widths_.size())) {
            const qsizetype from = widths_.size();
            widths_.resize(col + 1);
            for (qsizetype i = from; i <= col; ++i)
                widths_[i] = WidthUnits(0);
        }
        widths_[col] = std::max(widths_[col], WidthUnits(chars));
    }

    // Column width in 1/256 of a character, a little wider than the text,
    // at least the default and within what a column takes.
    static int WidthUnits(int chars) { return (std::clamp(chars, 8, 100) + 2) * 256; }

    const SheetSource &source_;
    QList<SheetCell> headings_;
    SharedStrings sst_;
    quint32 stringRefs_ = 0;
    int maxDecimals_ = 0;
    std::vector<int> widths_;
    std::vector<Block> blocks_;
    int firstRow_ = -1, lastRow_ = -1;
    int firstCol_ = kXlsMaxColumns, lastCol_ = 0;
};

} // namespace

bool WriteXls(const QString &path, const SheetSource &source)
{
    if (source.rows < 0 || qint64(source.rows) + 1 > kXlsMaxRows || source.headings.size() > kXlsMaxColumns ||
        (source.rows > 0 && !source.cells))
        return false;
    Workbook book(source);
    if (!book.Survey())
        return false;
    const QByteArray globals = book.Globals();
    const QByteArray head = book.SheetHead(quint32(globals.size()));
    const QByteArray tail = Workbook::SheetTail();
    const quint64 streamSize =
        quint64(globals.size()) + quint64(head.size()) + book.CellTableSize() + quint64(tail.size());
    if (streamSize > kMaxStreamSize)
        return false;
    const Container container = BuildContainer(streamSize);

    SafeFileWriter out(path);
    if (!out.Open() || !out.Write(container.header) || !out.Write(globals) || !out.Write(head) ||
        !book.WriteCells(out) || !out.Write(tail) ||
        !out.Write(QByteArray(qsizetype(container.paddedStream - streamSize), '\0')) || !out.Write(container.trailer))
        return false;
    return out.Commit();
}
