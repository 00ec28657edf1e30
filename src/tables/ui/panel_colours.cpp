#include "tables/ui/panel_colours.h"

std::optional<QColor> ColourFromSetting(QByteArrayView text, const QPalette &palette)
{
    bool ok = false;
    const long long v = text.trimmed().toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    const auto bits = quint32(v);
    if (bits & 0x80000000u) {
        switch (bits & 0xFF) {
        case 5: return palette.color(QPalette::Base);              // window
        case 8: return palette.color(QPalette::Text);              // window text
        case 13: return palette.color(QPalette::Highlight);
        case 14: return palette.color(QPalette::HighlightedText);
        case 18: return palette.color(QPalette::ButtonText);
        default: return palette.color(QPalette::Button);           // 15: button face
        }
    }
    return QColor(int(bits & 0xFF), int((bits >> 8) & 0xFF), int((bits >> 16) & 0xFF));
}

QByteArray SettingFromColour(const QColor &colour)
{
    return QByteArray::number(colour.red() | (colour.green() << 8) | (colour.blue() << 16));
}
