#pragma once

#include <QString>

#include <optional>

namespace kx {

// The one parser for every number the operator types. Blanks at either end aside, a
// number is an optional sign, digits with an optional decimal point and fraction (or a
// point and a fraction), and an optional exponent, read in the C locale. Nothing else
// is: "inf", "2,5", "5abc" and empty text are not, nor a value too large for a double.
std::optional<double> parseNumber(const QString& text);

// A double in the shortest plain decimal form with at most 15 significant digits: no
// exponent, no trailing zeros, no trailing point. 10 -> "10", 0.25 -> "0.25".
QString plainText(double x);

// Removes blanks (spaces only) from both ends; CR and LF stay.
QString trimBlanks(const QString& text);

} // namespace kx
