#pragma once

#include <QString>

#include <optional>

namespace kx {

// The one parser for every number the operator types, and so the one definition of an
// entry's text. Blanks (the space character only) at either end aside, a number is an
// optional sign, ASCII digits with an optional decimal point and fraction (or a point
// and a fraction), and an optional exponent, read in the C locale. Nothing else is:
// "inf", "2,5", "5abc", empty text, a value too large for a double, and any other
// character anywhere (CR, LF, TAB, NUL, a no-break space, a digit of another script).
// So text it accepts, sent as typed, is printable ASCII and stays one line.
std::optional<double> parseNumber(const QString& text);

// A double in the shortest plain decimal form with at most 15 significant digits: no
// exponent, no trailing zeros, no trailing point. 10 -> "10", 0.25 -> "0.25".
QString plainText(double x);

// Removes blanks (spaces only) from both ends; CR and LF stay.
QString trimBlanks(const QString& text);

} // namespace kx
