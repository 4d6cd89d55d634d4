#include "state/Memory.h"

#include "link/Exchange.h"
#include "state/Number.h"
#include "state/Profile.h"

#include <QRegularExpression>

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
    static const QRegularExpression form(
        QStringLiteral(R"(\A *[+-]?([0-9]*)\.?([0-9]*)(?:[eE]([+-]?)([0-9]+))?)"));
    const QRegularExpressionMatch m = form.match(text);
    const QString integer = m.captured(1);
    const QString digits = integer + m.captured(2);
    // The exponent moves the point; beyond the digits' own length it makes no difference.
    const qsizetype cap = digits.size() + 1;
    qsizetype shift = 0;
    for (const QChar c : m.captured(4))
        shift = std::min(cap, shift * 10 + (c.unicode() - '0'));
    if (m.captured(3) == QLatin1String("-"))
        shift = -shift;
    // Every digit that stands after the point once it has moved is a zero.
    const QString fraction = digits.mid(std::max<qsizetype>(0, integer.size() + shift));
    return fraction.count(QLatin1Char('0')) == fraction.size();
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

Result store(Exchange& link, modVariables& vars, Store what, int location) {
    return guarded([&] {
        const QString line =
            what == Store::Save ? QStringLiteral("*SAV %1") : QStringLiteral("*RCL %1");
        link.processEcho(line.arg(what == Store::Factory ? 0 : location));
        if (what != Store::Save)
            vars.sent.clear();
        link.delaySeconds(what == Store::Factory ? 0 : 1);
        return Result{};
    });
}

} // namespace kx
