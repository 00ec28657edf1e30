#pragma once

// Lookups in the dictionary files that adding a weighing uses. Each reads
// its file from `dataDir` at every call (the windows' lists are not used):
// the first line whose name field equals `name` exactly (case-sensitive)
// answers. No such line, an empty name or a missing file give 0 or empty.

#include <QByteArray>
#include <QString>
#include <optional>

// The price of the material, 0 when not found or not a number.
double MaterialPrice(const QString &dataDir, QByteArrayView name);
// The material's default packaging (cp1250), empty when not found.
QByteArray MaterialDefaultPackaging(const QString &dataDir, QByteArrayView name);
// The tare of the packaging, 0 when not found or not a number.
double PackagingTare(const QString &dataDir, QByteArrayView name);

// A price or tare as the dictionaries read it: '.' or ',' as decimal
// separator, blanks around, a sign, and an exponent ("1.2345679E+8", the
// form large values may have in files written elsewhere). nullopt when it
// is not a number.
std::optional<double> ParseDictionaryNumber(QByteArrayView text);
