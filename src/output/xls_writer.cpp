#include "output/xls_writer.h"

#include "core/safe_file.h"
#include "output/xls_bytes.h"
#include "output/xls_compound_file.h"
#include "output/xls_records.h"

#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

using namespace xls;

namespace {

constexpr int kRowsPerBlock = 32; // rows indexed by one DBCELL
constexpr int kRowRecordSize = 4 + 16;
constexpr int kMaxDecimals = 30;      // what a number format shows
constexpr quint16 kDefaultRowTwips = 255;

// Our cell formats follow the default cell format.
constexpr quint16 kDateTimeXf = 16;
constexpr quint16 kFirstDecimalsXf = 17; // + decimals
constexpr quint16 kFirstCustomFormat = 164;
// At least eight FORMAT records are expected; formats for 0..6 decimals and
// the date make them.
constexpr int kAlwaysDecimals = 6;

const QString kSheetName = QStringLiteral("Arkusz1");

int ClampDecimals(int decimals)
{
    return std::clamp(decimals, 0, kMaxDecimals);
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
        PutColumnWidths(h);
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

    const QList<int> &CutRows() const { return cutRows_; }

    static QByteArray SheetTail()
    {
        QByteArray t;
        // Grid, headers, zeros and outline symbols shown, the sheet selected and shown; default zoom;
        // the headings' row frozen, so it stays in sight while the rows scroll.
        Record(t, kWindow2, U16s({0x07BE, 0, 0, 0x40, 0, 0, 0, 0, 0}));
        // The split below row 1, the rows from row 2 in the lower pane (2), which is active.
        QByteArray pane = U16s({0, 1, 1, 0});
        pane.append(char(2));
        pane.append(char(0));
        Record(t, kPane, pane);
        // A1 selected in the upper pane (3), A2 in the lower one.
        for (const quint8 p : {3, 2}) {
            const quint16 row = p == 3 ? 0 : 1;
            QByteArray selection(1, char(p));
            selection += U16s({row, 0, 0, 1, row, row});
            selection.append(2, '\0'); // first and last column: A
            Record(t, kSelection, selection);
        }
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

    void PutColumnWidths(QByteArray &h) const
    {
        // Runs of equal widths share a record; a sheet takes at most 255, the
        // last one then covers the remaining columns at their widest.
        struct Run {
            int first, last, width;
        };
        std::vector<Run> runs;
        for (int col = 0; col < widths_.Count(); ++col) {
            // In 1/256 of a character.
            const int width = widths_.Chars(col) * 256;
            if (!runs.empty() && runs.back().width == width)
                runs.back().last = col;
            else
                runs.push_back({col, col, width});
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
                if (CutToCellLimit(text) && survey && (cutRows_.isEmpty() || cutRows_.back() != rw + 1))
                    cutRows_.append(rw + 1);
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
                widths_.Note(int(col), c);
        }
        return true;
    }

    const SheetSource &source_;
    QList<SheetCell> headings_;
    SharedStrings sst_;
    quint32 stringRefs_ = 0;
    int maxDecimals_ = 0;
    QList<int> cutRows_; // sheet rows (from 1) with a text cut to a cell's limit
    ColumnWidths widths_;
    std::vector<Block> blocks_;
    int firstRow_ = -1, lastRow_ = -1;
    int firstCol_ = kXlsMaxColumns, lastCol_ = 0;
};

} // namespace

bool WriteXls(const QString &path, const SheetSource &source, QList<int> *cutRows)
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
    if (!out.Commit())
        return false;
    if (cutRows)
        *cutRows = book.CutRows();
    return true;
}
