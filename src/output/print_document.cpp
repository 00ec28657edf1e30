#include "output/print_document.h"

void LineWriter::Write(const QString &text)
{
    if (text.isEmpty())
        return;
    if (!line_.isEmpty() && line_.back().style == style_)
        line_.back().text += text;
    else
        line_.append({text, style_});
}

void LineWriter::EndLine()
{
    sink_.AddLine(line_);
    line_.clear();
}

void LineWriter::Rule(const QString &indent, int length)
{
    SetStyle(TextStyle::Regular);
    Write(indent);
    SetStyle(TextStyle::Underline);
    Write(QString(length, QLatin1Char(' ')));
    EndLine();
    SetStyle(TextStyle::Regular);
}

void LineWriter::EmptyLines(int count)
{
    for (int i = 0; i < count; ++i)
        EndLine();
}

QStringList PrintDocument::Text() const
{
    QStringList out;
    out.reserve(lines.size());
    for (const DocumentLine &line : lines) {
        QString text;
        for (const TextPiece &p : line)
            text += p.text;
        out.append(text);
    }
    return out;
}

void PrintDocument::SendTo(DocumentSink &sink) const
{
    sink.Begin(font);
    for (const DocumentLine &line : lines)
        sink.AddLine(line);
}

namespace print_text {

QString PadRight(const QString &s, int width)
{
    return s.size() >= width ? s : s + QString(width - s.size(), QLatin1Char(' '));
}

QString PadLeft(const QString &s, int width)
{
    return s.size() >= width ? s : QString(width - s.size(), QLatin1Char(' ')) + s;
}

QString Cut(const QString &s, int width)
{
    return s.left(std::max(width, 0));
}

QString Cell(const QString &s, int width, bool rightAligned)
{
    return Cut(rightAligned ? PadLeft(s, width) : PadRight(s, width), width) + QLatin1Char(' ');
}

}  // namespace print_text
