#pragma once

// Caption panel colours are stored as the decimal text of a Windows colour
// value: 0x00BBGGRR for a plain colour, the high bit set for a system colour
// (-2147483633 is the button face).

#include <QByteArray>
#include <QColor>
#include <QPalette>
#include <optional>

// The colour of a stored value, nullopt when the text is not an integer.
std::optional<QColor> ColourFromSetting(QByteArrayView text, const QPalette &palette);
// The stored text of a plain colour.
QByteArray SettingFromColour(const QColor &colour);
