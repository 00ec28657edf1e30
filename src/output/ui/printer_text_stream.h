#pragma once

// Draws a printout line by line on one print job of a paged device: the
// system printer, a PDF file or a print preview (QPrinter), or a QPdfWriter.
// Nothing of the document is kept, so a report of any length prints in
// constant memory.
//
// Text starts at the top-left corner of the printable area. A line is as
// high as its tallest piece plus 2 device units; a piece that does not fit
// continues on the next line; a page ends early enough that the next line
// still has room for twice the height of the last one.

#include "output/print_document.h"

#include <QFont>
#include <QPainter>
#include <functional>

class QPagedPaintDevice;

class PrinterTextStream : public DocumentSink {
public:
    // The device must outlive the stream (or its Close()).
    explicit PrinterTextStream(QPagedPaintDevice *device);
    ~PrinterTextStream() override;

    PrinterTextStream(const PrinterTextStream &) = delete;
    PrinterTextStream &operator=(const PrinterTextStream &) = delete;

    // The first call opens the painter, which starts the print job; later
    // calls only change the font of the lines that follow.
    void Begin(const DocumentFont &font) override;
    // Draws the line at once. Without a Begin() the default font is used;
    // after a failed Begin() or Close() it does nothing.
    void AddLine(const DocumentLine &line) override;
    // Ends the painter and with it the job; false when the job could not be
    // started or finished. Called by the destructor too.
    bool Close();

    // Draws a picture (a chart) below the lines so far, across the page,
    // `height` device units high (at most a page); a new page is begun first
    // when less room is left. Lines that follow go below it.
    void AddPicture(qreal height, const std::function<void(QPainter *painter, const QRectF &area)> &draw);
    // The room on a page, in device units.
    QSizeF PageSize() const;

    // False once the painter could not be opened, a page not begun or the
    // job not finished.
    bool Ok() const { return !failed_; }
    // Pages begun so far: 1 as soon as the job has started.
    int Pages() const { return pages_; }
    // Lines on the paper: a wrapped piece counts each line it takes.
    int Lines() const { return lines_; }

    // The font the device draws a piece of this style in (an underline is
    // drawn separately, so that runs of spaces show as a rule).
    static QFont FontFor(const DocumentFont &font, TextStyle style);

private:
    struct Run {
        QString text;
        TextStyle style;
        qreal x;
    };

    void DrawPiece(const TextPiece &piece);
    // Draws the runs gathered for the current line and moves to the next one.
    void FinishLine();
    void DrawRun(const Run &run, qreal baseline);

    QPagedPaintDevice *device_;
    QPainter painter_;
    QFont fonts_[5];
    bool begun_ = false;
    bool failed_ = false;
    bool closed_ = false;
    bool breakPending_ = false;
    int pages_ = 0;
    int lines_ = 0;
    qreal y_ = 0;  // top of the current line
    qreal x_ = 0;  // where the next piece starts
    // Pieces of the current line: they are drawn once the tallest is known.
    QList<Run> runs_;
};
