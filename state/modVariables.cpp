#include "state/modVariables.h"

#include "link/Exchange.h"
#include "state/Number.h"
#include "state/Profile.h"

#include <cmath>

namespace kx {

namespace {

// A reply split at its first upper-case "E": the mantissa before it and the exponent
// after it, an optional sign and its digits, all of them ("E+03" is 3, "E+10" is 10).
// Whatever follows the digits, a CR and LF say, is not part of the number.
struct Split {
    QString mantissa;
    std::optional<int> exponent; // none: no digits, or too many to be any row's
};

std::optional<Split> split(const QString& reply) {
    const qsizetype at = reply.indexOf(QLatin1Char('E'));
    if (at < 0)
        return std::nullopt;
    qsizetype i = at + 1;
    const bool negative = i < reply.size() && reply.at(i) == QLatin1Char('-');
    if (i < reply.size() && (reply.at(i) == QLatin1Char('+') || negative))
        ++i;
    const qsizetype digitsFrom = i;
    int magnitude = 0;
    bool tooLarge = false;
    for (; i < reply.size() && reply.at(i) >= QLatin1Char('0') && reply.at(i) <= QLatin1Char('9');
         ++i) {
        magnitude = magnitude * 10 + (reply.at(i).unicode() - '0');
        tooLarge = tooLarge || magnitude > 999;
        if (tooLarge)
            magnitude = 1000;
    }
    Split parts{reply.left(at), std::nullopt};
    if (i > digitsFrom && !tooLarge)
        parts.exponent = negative ? -magnitude : magnitude;
    return parts;
}

// How a table row turns the mantissa into the display text.
struct Row {
    int exponent;
    double factor; // 0: copy the mantissa as received
    const char* unit;
    double toHz;
};

std::optional<QString> scaled(const QString& mantissa, double factor) {
    const auto n = parseNumber(mantissa);
    if (!n)
        return std::nullopt;
    const double v = *n * factor;
    if (!std::isfinite(v))
        return std::nullopt;
    return plainText(v);
}

// A copying row keeps the mantissa exactly as received (trailing zeros included); a
// multiplying row writes the scaled value. Either way the mantissa must be a number.
std::optional<QString> displayText(const QString& mantissa, double factor) {
    if (factor == 0)
        return parseNumber(mantissa) ? std::optional<QString>(mantissa) : std::nullopt;
    return scaled(mantissa, factor);
}

// The table row of a reply's exponent and the display text it gives.
struct Match {
    modVariables::Decoded result;
    const Row* row = nullptr;
    QString display;
};

template <size_t N> Match match(const Row (&rows)[N], const QString& reply) {
    const auto parts = split(reply);
    if (!parts)
        return {modVariables::Decoded::Failed, nullptr, {}};
    for (const Row& row : rows) {
        if (parts->exponent != row.exponent)
            continue;
        const auto display = displayText(parts->mantissa, row.factor);
        if (!display)
            return {modVariables::Decoded::Failed, nullptr, {}};
        return {modVariables::Decoded::Ok, &row, *display};
    }
    return {modVariables::Decoded::NoMatch, nullptr, {}};
}

} // namespace

void modVariables::setFrequencyLimits() {
    const ModelProfile* profile = findModel(modelName);
    if (!profile)
        return;
    if (waveShape == QLatin1String("sine") || waveShape == QLatin1String("square"))
        freqMax = profile->sineSquareMaxHz;
    else if (waveShape == QLatin1String("ramp"))
        freqMax = profile->rampMaxHz;
    else
        return;
    freqMin = lowestFrequencyHz;
}

modVariables::Decoded modVariables::decodeFrequencyReply(const QString& reply) {
    static constexpr Row rows[] = {
        {-2, 0.01, "Hz", 1}, {-1, 0.1, "Hz", 1},  {0, 0, "Hz", 1},     {1, 10, "Hz", 1},
        {2, 100, "Hz", 1},   {3, 0, "kHz", 1e3},  {4, 10, "kHz", 1e3}, {5, 100, "kHz", 1e3},
        {6, 0, "MHz", 1e6},  {7, 10, "MHz", 1e6},
    };
    const Match m = match(rows, reply);
    if (m.result != Decoded::Ok)
        return m.result;
    // In hertz the value is worked out from the display text; in the hertz rows it is
    // the display text itself.
    const auto hz =
        m.row->toHz == 1 ? std::optional<QString>(m.display) : scaled(m.display, m.row->toHz);
    if (!hz)
        return Decoded::Failed;
    freqDisplay = m.display;
    freqUnit = QString::fromLatin1(m.row->unit);
    freqHzText = *hz;
    return Decoded::Ok;
}

modVariables::Decoded modVariables::decodeLevelReply(const QString& reply) {
    // Down to the nanovolt, so that every level the panel accepts (an offset of a few
    // millivolts, say) can be shown as the generator reads it back.
    static constexpr Row rows[] = {
        {-9, 1e-9, "", 1}, {-8, 1e-8, "", 1}, {-7, 1e-7, "", 1}, {-6, 1e-6, "", 1},
        {-5, 1e-5, "", 1}, {-4, 1e-4, "", 1}, {-3, 1e-3, "", 1}, {-2, 0.01, "", 1},
        {-1, 0.1, "", 1},  {0, 0, "", 1},     {1, 10, "", 1},    {2, 100, "", 1},
    };
    const Match m = match(rows, reply);
    if (m.result != Decoded::Ok)
        return m.result;
    levelDisplay = m.display;
    levelText = m.display;
    return Decoded::Ok;
}

bool modVariables::firstReplyLine(const QString& reply) {
    if (!reply.contains(QLatin1Char('\r')))
        return false;
    replyLine = firstLine(reply);
    return true;
}

} // namespace kx
