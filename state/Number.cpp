#include "state/Number.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace kx {

std::optional<double> parseNumber(const QString& text) {
    // ASCII digits only: \d would also take other scripts' digits.
    static const QRegularExpression form(
        QStringLiteral(R"(\A[+-]?([0-9]+\.?[0-9]*|\.[0-9]+)([eE][+-]?[0-9]+)?\z)"));
    // Only the space character may stand around it: a CR, LF, TAB or a Unicode blank
    // would go out on the line with the text.
    const QString t = trimBlanks(text);
    if (!form.match(t).hasMatch())
        return std::nullopt;
    bool ok = false;
    // QString::toDouble always reads the C locale.
    const double value = t.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QString plainText(double x) {
    if (x == 0 || !std::isfinite(x))
        return QStringLiteral("0");
    if (std::fabs(x) >= 1e15) {
        // Sixteen or more integer digits, where "%.0f" would write every digit of the
        // binary value (1e23 -> 99999999999999991611392): the first fifteen, then zeros;
        // fewer where fifteen would round past the largest double.
        char scientific[32];
        int decimals = 15;
        do
            std::snprintf(scientific, sizeof scientific, "%.*e", --decimals, x);
        while (std::isinf(std::strtod(scientific, nullptr)));
        const QString s = QString::fromLatin1(scientific);
        const qsizetype e = s.indexOf(QLatin1Char('e'));
        return s.left(e).remove(QLatin1Char('.')) +
               QString(s.mid(e + 1).toInt() - decimals, QLatin1Char('0'));
    }
    const int magnitude = static_cast<int>(std::floor(std::log10(std::fabs(x)))) + 1;
    const int decimals = std::clamp(15 - magnitude, 0, 340);
    std::vector<char> buffer(static_cast<size_t>(decimals) + 320);
    std::snprintf(buffer.data(), buffer.size(), "%.*f", decimals, x);
    QString s = QString::fromLatin1(buffer.data());
    if (s.contains(QLatin1Char('.'))) {
        while (s.endsWith(QLatin1Char('0')))
            s.chop(1);
        if (s.endsWith(QLatin1Char('.')))
            s.chop(1);
    }
    if (s == QLatin1String("-0"))
        s = QStringLiteral("0");
    return s;
}

QString trimBlanks(const QString& text) {
    QString t = text;
    while (t.startsWith(QLatin1Char(' ')))
        t.remove(0, 1);
    while (t.endsWith(QLatin1Char(' ')))
        t.chop(1);
    return t;
}

} // namespace kx
