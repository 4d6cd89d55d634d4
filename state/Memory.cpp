#include "state/Memory.h"

#include "link/Exchange.h"
#include "state/Number.h"
#include "state/Profile.h"

#include <algorithm>

namespace kx {

namespace {

// "Enter number only. For KX12A: Valid numbers: 1-9 .For KX20A/KX25A: Valid numbers: 1-19":
// the models that have as many locations named together, in the profile's order.
QString notANumber() {
    QStringList ranges;
    std::span<const ModelProfile> all = models();
    while (!all.empty()) {
        QStringList names;
        const int highest = all.front().highestMemory;
        for (; !all.empty() && all.front().highestMemory == highest; all = all.subspan(1))
            names << QLatin1String(all.front().model);
        ranges << QStringLiteral("%1: Valid numbers: 1-%2").arg(names.join('/')).arg(highest);
    }
    return QStringLiteral("Enter number only. For ") + ranges.join(QStringLiteral(" .For "));
}

const QString outsideRange = QStringLiteral("Number outside of valid range.");

// Whether `text`, a number by parseNumber, is a whole number. Decided on its digits, not
// on the nearest double: "2.99999999999999999" is not whole, though its double is 3.
bool isWhole(const QString& text) {
    const QString t = trimBlanks(text);
    const qsizetype e = t.indexOf(QLatin1Char('e'), 0, Qt::CaseInsensitive);
    const QString mantissa = e < 0 ? t : t.left(e);
    const qsizetype point = mantissa.indexOf(QLatin1Char('.'));
    QString integer = point < 0 ? mantissa : mantissa.left(point);
    integer.remove(QLatin1Char('+')).remove(QLatin1Char('-'));
    const QString digits = integer + (point < 0 ? QString() : mantissa.mid(point + 1));
    // The exponent moves the point; beyond the digits' own length it makes no difference.
    const qsizetype cap = digits.size() + 1;
    qsizetype shift = 0;
    if (e >= 0) {
        const QString exponent = t.mid(e + 1);
        for (const QChar c : exponent) {
            if (c.isDigit())
                shift = std::min(cap, shift * 10 + (c.unicode() - '0'));
        }
        if (exponent.startsWith(QLatin1Char('-')))
            shift = -shift;
    }
    // Every digit that stands after the point once it has moved is a zero.
    const qsizetype firstFraction = std::max<qsizetype>(0, integer.size() + shift);
    for (qsizetype i = firstFraction; i < digits.size(); ++i) {
        if (digits.at(i) != QLatin1Char('0'))
            return false;
    }
    return true;
}

} // namespace

MemoryLocation checkMemoryLocation(const QString& model, const QString& text) {
    const ModelProfile* profile = findModel(model);
    const int highest = profile ? profile->highestMemory : 0;
    const auto value = parseNumber(text);
    if (!value || !isWhole(text))
        return {std::nullopt, notANumber()};
    if (*value < 1 || *value > highest)
        return {std::nullopt, outsideRange};
    return {static_cast<int>(*value), {}};
}

Result store(Exchange& link, Store what, int location) {
    return guarded([&] {
        if (what == Store::Factory)
            link.processEcho(QStringLiteral("*RCL 0"));
        else
            link.processEcho(
                (what == Store::Save ? QStringLiteral("*SAV ") : QStringLiteral("*RCL ")) +
                QString::number(location));
        link.delaySeconds(what == Store::Factory ? 0 : 1);
        return Result{};
    });
}

} // namespace kx
