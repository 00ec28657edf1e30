#pragma once

// Windows-1250 <-> Unicode. Data text lives as cp1250 bytes in the logic and
// is converted only where it meets the screen, the clipboard or a printout.

#include <QByteArray>
#include <QString>
#include <optional>

namespace cp1250 {

QString Decode(QByteArrayView bytes);

// nullopt when some character has no cp1250 byte.
std::optional<QByteArray> Encode(QStringView text);

// Characters without a cp1250 byte become `replacement` (visible, never dropped).
QByteArray EncodeLossy(QStringView text, char replacement = '?');

bool CanEncode(QStringView text);

// The cp1250 byte of one character, or -1.
int ByteOf(QChar c);

}  // namespace cp1250
