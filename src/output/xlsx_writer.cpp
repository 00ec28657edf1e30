#include "output/xlsx_writer.h"

#include "core/safe_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <iterator>
#include <utility>

#include <cstdio>
#include <xlsxwriter.h>

namespace {

class Book {
public:
    explicit Book(const QByteArray &path)
    {
        lxw_workbook_options options{};
        options.constant_memory = LXW_TRUE;
        tmpdir_ = QFile::encodeName(QDir::tempPath());
        options.tmpdir = tmpdir_.data();
        book_ = workbook_new_opt(path.constData(), &options);
        if (book_)
            sheet_ = workbook_add_worksheet(book_, "Arkusz1");
        if (sheet_)
            worksheet_freeze_panes(sheet_, 1, 0);  // the headings stay in sight
    }
    ~Book()
    {
        if (book_)
            workbook_close(book_);  // after a failure: frees it; the file is removed by the caller
    }
    Book(const Book &) = delete;
    Book &operator=(const Book &) = delete;

    bool Ok() const { return book_ && sheet_ && ok_; }

    void Write(lxw_row_t row, lxw_col_t col, const SheetCell &c)
    {
        lxw_error e = LXW_NO_ERROR;
        widths_.Note(int(col), c);
        switch (c.kind) {
        case SheetCell::Kind::Empty:
            return;
        case SheetCell::Kind::Text: {
            QString text = c.text;
            // Sheet rows count from 1.
            if (CutToCellLimit(text) && (cutRows_.isEmpty() || cutRows_.back() != int(row) + 1))
                cutRows_.append(int(row) + 1);
            const QByteArray utf8 = text.toUtf8();
            e = worksheet_write_string(sheet_, row, col, utf8.constData(), nullptr);
            break;
        }
        case SheetCell::Kind::Integer:
            e = worksheet_write_number(sheet_, row, col, c.number, NumberFormatOf(0));
            break;
        case SheetCell::Kind::Number:
            e = worksheet_write_number(sheet_, row, col, c.number, NumberFormatOf(c.decimals));
            break;
        case SheetCell::Kind::DateTime:
            e = worksheet_write_number(sheet_, row, col, c.number, Format(dateTime_, DateTimeFormat()));
            break;
        }
        ok_ = ok_ && e == LXW_NO_ERROR;
    }

    const QList<int> &CutRows() const { return cutRows_; }

    bool Close()
    {
        // The widths are known once every row is written; the columns are
        // written out only when the workbook closes.
        for (int col = 0; col < widths_.Count() && ok_; ++col)
            ok_ = worksheet_set_column(sheet_, lxw_col_t(col), lxw_col_t(col), widths_.Chars(col), nullptr) ==
                  LXW_NO_ERROR;
        lxw_workbook *book = std::exchange(book_, nullptr);
        return workbook_close(book) == LXW_NO_ERROR && ok_;
    }

private:
    // Made once each: a cell is written in a few hundred nanoseconds.
    lxw_format *Format(lxw_format *&f, const QString &numberFormat)
    {
        if (!f) {
            f = workbook_add_format(book_);
            format_set_num_format(f, numberFormat.toUtf8().constData());
        }
        return f;
    }
    lxw_format *NumberFormatOf(int decimals)
    {
        decimals = std::clamp(decimals, 0, int(std::size(numbers_)) - 1);
        return Format(numbers_[decimals], NumberFormat(decimals));
    }

    QByteArray tmpdir_;
    lxw_workbook *book_ = nullptr;
    lxw_worksheet *sheet_ = nullptr;
    lxw_format *numbers_[kMaxShownDecimals + 1] = {};
    lxw_format *dateTime_ = nullptr;
    ColumnWidths widths_;
    QList<int> cutRows_;
    bool ok_ = true;
};

}  // namespace

bool WriteXlsx(const QString &path, const SheetSource &source, QList<int> *cutRows)
{
    const QString temp = NewTemporaryPath(QFileInfo(path).fileName());
    if (temp.isEmpty())
        return false;
    const QByteArray tempName = QFile::encodeName(temp);
    bool ok = false;
    QList<int> cut;
    {
        Book book(tempName);
        if (book.Ok()) {
            for (int c = 0; c < source.headings.size(); ++c)
                book.Write(0, lxw_col_t(c), SheetCell::Text(source.headings[c]));
            for (int r = 0; r < source.rows && book.Ok(); ++r) {
                const QList<SheetCell> cells = source.cells(r);
                for (qsizetype c = 0; c < cells.size(); ++c)
                    book.Write(lxw_row_t(r + 1), lxw_col_t(c), cells[c]);
            }
            cut = book.CutRows();
            ok = book.Ok() && book.Close();
        }
    }
    if (!ok) {
        QFile::remove(temp);
        return false;
    }
    if (!ReplaceFileWith(path, temp))
        return false;
    if (cutRows)
        *cutRows = cut;
    return true;
}
