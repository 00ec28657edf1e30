#include "core/text.h"

QByteArray StripSpaces(QByteArrayView text)
{
    QByteArray out;
    out.reserve(text.size());
    for (char c : text)
        if (c != ' ')
            out.append(c);
    return out;
}

bool IsFieldText(QByteArrayView text)
{
    for (char c : text)
        if (c == '\t' || c == '\r' || c == '\n')
            return false;
    return true;
}

QByteArray SplitField(QByteArrayView line, int k)
{
    qsizetype start = 0;
    for (int i = 0; i < k; ++i) {
        const qsizetype tab = line.indexOf('\t', start);
        if (tab < 0)
            return {};
        start = tab + 1;
    }
    qsizetype end = line.indexOf('\t', start);
    if (end < 0)
        end = line.size();
    return line.sliced(start, end - start).toByteArray();
}

static QByteArray ReplaceChar(QByteArrayView text, char from, char to)
{
    QByteArray out = text.toByteArray();
    out.replace(from, to);
    return out;
}

QByteArray CommaToDot(QByteArrayView text) { return ReplaceChar(text, ',', '.'); }
QByteArray DotToComma(QByteArrayView text) { return ReplaceChar(text, '.', ','); }

QByteArray UpperPolish(QByteArrayView text)
{
    QByteArray out = text.toByteArray();
    for (char &ch : out) {
        const auto b = static_cast<unsigned char>(ch);
        unsigned char u = b;
        if (b >= 'a' && b <= 'z')
            u = b - 32;
        else {
            switch (b) {
            case 0x9C: u = 0x8C; break;  // ś
            case 0x9F: u = 0x8F; break;  // ź
            case 0xB3: u = 0xA3; break;  // ł
            case 0xB9: u = 0xA5; break;  // ą
            case 0xBF: u = 0xAF; break;  // ż
            case 0xE6: u = 0xC6; break;  // ć
            case 0xEA: u = 0xCA; break;  // ę
            case 0xF1: u = 0xD1; break;  // ń
            case 0xF3: u = 0xD3; break;  // ó
            default: break;
            }
        }
        ch = static_cast<char>(u);
    }
    return out;
}
