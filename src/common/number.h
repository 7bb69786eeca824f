#pragma once

#include <QStringView>
#include <QtGlobal>

#include <optional>

namespace kuokuo {

// A typed number: optional surrounding spaces, an optional sign, decimal digits and an optional
// fraction ("12", "-5", "+3.25", ".5", "7."). Anything else is not a number.
std::optional<double> parseNumber(QStringView text);

// Converts a typed number to a signed 16-bit integer: a fraction goes to the nearest integer, a
// half to the even neighbour. Not a number, or a value outside -32768...32767, gives nothing.
std::optional<qint16> toInt16(QStringView text);

// The numeric value at the start of a text, as a count line is read: leading spaces skipped,
// then an optional sign, digits, a fraction and an exponent as far as they go. A text that does
// not start with a number is worth 0.
double leadingNumber(QStringView text);

// Rounds to the nearest integer, a half to the even neighbour.
double roundHalfEven(double value);

} // namespace kuokuo
