#pragma once

// A printout as plain data: lines of text pieces, each in one style, in one
// fixed-pitch font. Labels and table reports are built as such documents
// and then drawn by PrinterTextStream on a printer, a PDF file or a preview;
// tests read them as text.
//
// Builders write to a DocumentSink line by line, so a printer can draw each
// line as it comes and a long report never has to be held whole.

#include <QList>
#include <QString>
#include <QStringList>

enum class TextStyle { Regular, Bold, Italic, Underline, BoldItalic };

struct TextPiece {
    QString text;
    TextStyle style = TextStyle::Regular;
    friend bool operator==(const TextPiece &, const TextPiece &) = default;
};

// One line; an empty line has no pieces.
using DocumentLine = QList<TextPiece>;

struct DocumentFont {
    QString family = QStringLiteral("Courier New");
    int pointSize = 10;
};

class DocumentSink {
public:
    virtual ~DocumentSink() = default;
    // Once, before the first line.
    virtual void Begin(const DocumentFont &font) = 0;
    virtual void AddLine(const DocumentLine &line) = 0;
};

// Builds lines piece by piece the way the printouts are described: text is
// written in the current style, a style change starts a new piece.
class LineWriter {
public:
    explicit LineWriter(DocumentSink &sink) : sink_(sink) {}

    void SetStyle(TextStyle style) { style_ = style; }
    TextStyle Style() const { return style_; }
    void Write(const QString &text);
    // Ends the line (an empty line when nothing was written).
    void EndLine();
    // Whole lines in the current style.
    void Line(const QString &text)
    {
        Write(text);
        EndLine();
    }
    void EmptyLines(int count);
    // A rule of the printouts: the indent, then `length` underlined spaces
    // (they print as a line as long as the table); regular style after it.
    void Rule(const QString &indent, int length);

private:
    DocumentSink &sink_;
    TextStyle style_ = TextStyle::Regular;
    DocumentLine line_;
};

// A document held whole: for tests and for drawing it again (a preview).
struct PrintDocument : DocumentSink {
    DocumentFont font;
    QList<DocumentLine> lines;

    void Begin(const DocumentFont &f) override { font = f; }
    void AddLine(const DocumentLine &line) override { lines.append(line); }
    // Each line's pieces joined: the text as printed.
    QStringList Text() const;
    // Sends the held document to another sink.
    void SendTo(DocumentSink &sink) const;
};

// The text operations of the printouts, on single-byte text (a cp1250
// character is one QChar).
namespace print_text {
QString PadRight(const QString &s, int width);
QString PadLeft(const QString &s, int width);
QString Cut(const QString &s, int width);
// Cut(Pad(s, w), w) by the alignment, then one space: always w + 1 characters.
QString Cell(const QString &s, int width, bool rightAligned);
}  // namespace print_text
