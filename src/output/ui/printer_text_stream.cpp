#include "output/ui/printer_text_stream.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>

namespace {

constexpr qreal kLineGap = 2;  // device units between lines

int StyleIndex(TextStyle style)
{
    return static_cast<int>(style);
}

// How many leading characters of text fit into room; never splits a
// surrogate pair.
int FittingLength(const QFontMetricsF &fm, const QString &text, qreal room)
{
    if (fm.horizontalAdvance(text) <= room)
        return int(text.size());
    int fits = 0;
    int tooLong = int(text.size());
    while (tooLong - fits > 1) {
        const int mid = (fits + tooLong) / 2;
        if (fm.horizontalAdvance(text.left(mid)) <= room)
            fits = mid;
        else
            tooLong = mid;
    }
    if (fits > 0 && text.at(fits - 1).isHighSurrogate())
        --fits;
    return fits;
}

}  // namespace

PrinterTextStream::PrinterTextStream(QPagedPaintDevice *device) : device_(device) {}

PrinterTextStream::~PrinterTextStream()
{
    Close();
}

QFont PrinterTextStream::FontFor(const DocumentFont &font, TextStyle style)
{
    QFont f(font.family);
    f.setPointSize(font.pointSize);
    // A missing family still falls back to a fixed-pitch face: the printouts
    // are laid out in columns of characters.
    f.setStyleHint(QFont::TypeWriter);
    f.setFixedPitch(true);
    f.setBold(style == TextStyle::Bold || style == TextStyle::BoldItalic);
    f.setItalic(style == TextStyle::Italic || style == TextStyle::BoldItalic);
    return f;
}

void PrinterTextStream::Begin(const DocumentFont &font)
{
    if (closed_ || failed_)
        return;
    for (TextStyle s :
         {TextStyle::Regular, TextStyle::Bold, TextStyle::Italic, TextStyle::Underline, TextStyle::BoldItalic})
        fonts_[StyleIndex(s)] = FontFor(font, s);
    if (!begun_) {
        begun_ = true;
        if (device_ && painter_.begin(device_))
            pages_ = 1;
        else
            failed_ = true;
    }
}

void PrinterTextStream::AddLine(const DocumentLine &line)
{
    if (!begun_)
        Begin(DocumentFont{});
    if (closed_ || failed_)
        return;
    for (const TextPiece &piece : line)
        DrawPiece(piece);
    FinishLine();
}

bool PrinterTextStream::Close()
{
    if (!closed_) {
        closed_ = true;
        if (painter_.isActive() && !painter_.end())
            failed_ = true;
    }
    return !failed_;
}

QSizeF PrinterTextStream::PageSize() const
{
    return device_ ? QSizeF(device_->width(), device_->height()) : QSizeF();
}

void PrinterTextStream::AddPicture(qreal height, const std::function<void(QPainter *, const QRectF &)> &draw)
{
    if (!begun_)
        Begin(DocumentFont{});
    if (closed_ || failed_ || !draw)
        return;
    if (!runs_.isEmpty())
        FinishLine();
    height = std::min(height, qreal(device_->height()));
    if (breakPending_ || (y_ > 0 && y_ + height > device_->height())) {
        breakPending_ = false;
        if (!device_->newPage()) {
            failed_ = true;
            return;
        }
        ++pages_;
        y_ = 0;
    }
    painter_.save();
    draw(&painter_, QRectF(0, y_, device_->width(), height));
    painter_.restore();
    y_ += height + kLineGap;
    x_ = 0;
    const qreal lineHeight = QFontMetricsF(fonts_[StyleIndex(TextStyle::Regular)], device_).height() + kLineGap;
    breakPending_ = y_ > device_->height() - 2 * lineHeight;
}

void PrinterTextStream::DrawPiece(const TextPiece &piece)
{
    const QFontMetricsF fm(fonts_[StyleIndex(piece.style)], device_);
    QString rest = piece.text;
    while (!rest.isEmpty() && !failed_) {
        int n = FittingLength(fm, rest, device_->width() - x_);
        if (n == 0 && !runs_.isEmpty()) {
            FinishLine();  // the piece starts on the next line
            continue;
        }
        if (n == 0)  // not even one character fits an empty line: print it anyway
            n = rest.at(0).isHighSurrogate() && rest.size() > 1 ? 2 : 1;
        const QString part = rest.left(n);
        runs_.append({part, piece.style, x_});
        x_ += fm.horizontalAdvance(part);
        rest.remove(0, n);
        if (!rest.isEmpty())
            FinishLine();
    }
}

void PrinterTextStream::FinishLine()
{
    if (breakPending_) {
        breakPending_ = false;
        if (!device_->newPage())
            failed_ = true;
        ++pages_;
        y_ = 0;
    }
    if (failed_) {  // the job broke off: nothing more reaches the device
        runs_.clear();
        return;
    }

    qreal height = 0;
    qreal ascent = 0;
    if (runs_.isEmpty()) {
        height = QFontMetricsF(fonts_[StyleIndex(TextStyle::Regular)], device_).height();
    } else {
        for (const Run &run : runs_) {
            const QFontMetricsF fm(fonts_[StyleIndex(run.style)], device_);
            if (fm.height() > height) {
                height = fm.height();
                ascent = fm.ascent();
            }
        }
    }
    for (const Run &run : runs_)
        DrawRun(run, y_ + ascent);
    runs_.clear();

    const qreal lineHeight = height + kLineGap;
    y_ += lineHeight;
    x_ = 0;
    ++lines_;
    // Decided now but done with the next line, so that the last line never
    // leaves an empty page behind.
    breakPending_ = y_ > device_->height() - 2 * lineHeight;
}

void PrinterTextStream::DrawRun(const Run &run, qreal baseline)
{
    const QFont &font = fonts_[StyleIndex(run.style)];
    painter_.setFont(font);
    painter_.drawText(QPointF(run.x, baseline), run.text);
    if (run.style == TextStyle::Underline) {
        // Drawn by hand: a font's own underline may skip trailing spaces,
        // and the printouts draw their rules as underlined spaces.
        const QFontMetricsF fm(font, device_);
        const qreal width = fm.lineWidth();
        painter_.fillRect(
            QRectF(run.x, baseline + fm.underlinePos() - width / 2, fm.horizontalAdvance(run.text), width),
            painter_.pen().color());
    }
}
