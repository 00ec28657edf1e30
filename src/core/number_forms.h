#pragma once

// The number forms of the tables: masses and money are text with '.',
// anything typed or read accepts '.' or ','.

#include <QByteArray>
#include <optional>

// A real number: optional blanks around, optional sign, digits with at most
// one '.' or ','. No exponent, no letters. nullopt when invalid.
std::optional<double> ParseReal(QByteArrayView text);

// As ParseReal, but a text beginning with "(" or "[" loses its first and
// last characters first (bracketed nets).
std::optional<double> ParseNumber(QByteArrayView text);

// x rounded to `significant` significant digits, then written in fixed point
// with `decimals` digits after '.', no thousands separator, "-" before negatives.
QByteArray FormatRounded(double x, int significant, int decimals);

// The same from the exact decimal expansion of x every time (slow); the
// reference the fast form is checked against.
QByteArray FormatRoundedExact(double x, int significant, int decimals);

// Fixed point with '.' (15 significant digits).
QByteArray FormatFixed(double x, int decimals);

// Rounded to 7 significant digits, `decimals` digits after the point.
QByteArray FormatMass(double x, int decimals);

// Rounded to 8 significant digits, 2 decimals.
QByteArray FormatMoney(double x);

// Number of characters after the first '.' (',' read as '.'), 0 without one.
int DecimalsOf(QByteArrayView massText);
