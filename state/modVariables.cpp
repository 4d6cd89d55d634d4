#include "state/modVariables.h"

#include "state/Number.h"
#include "state/Profile.h"

#include <cmath>

namespace kx {

namespace {

// A reply split at its first upper-case "E": the mantissa before it and the tag of at
// most three characters that starts there.
struct Split {
    QString mantissa;
    QString tag;
};

std::optional<Split> split(const QString& reply) {
    const qsizetype at = reply.indexOf(QLatin1Char('E'));
    if (at < 0)
        return std::nullopt;
    return Split{reply.left(at), reply.mid(at, 3)};
}

// How a table row turns the mantissa into the display text.
struct Row {
    const char* tag;
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

// The table row of a reply's exponent tag and the display text it gives.
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
        if (parts->tag != QLatin1String(row.tag))
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
        {"E-2", 0.01, "Hz", 1},  {"E-1", 0.1, "Hz", 1},    {"E+0", 0, "Hz", 1},
        {"E+1", 10, "Hz", 1},    {"E+2", 100, "Hz", 1},    {"E+3", 0, "kHz", 1e3},
        {"E+4", 10, "kHz", 1e3}, {"E+5", 100, "kHz", 1e3}, {"E+6", 0, "MHz", 1e6},
        {"E+7", 10, "MHz", 1e6},
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
    static constexpr Row rows[] = {
        {"E-2", 0.01, "", 1}, {"E-1", 0.1, "", 1}, {"E+0", 0, "", 1},
        {"E+1", 10, "", 1},   {"E+2", 100, "", 1},
    };
    const Match m = match(rows, reply);
    if (m.result != Decoded::Ok)
        return m.result;
    levelDisplay = m.display;
    levelText = m.display;
    return Decoded::Ok;
}

bool modVariables::firstReplyLine(const QString& reply) {
    const qsizetype at = reply.indexOf(QLatin1Char('\r'));
    if (at < 0)
        return false;
    replyLine = reply.left(at);
    return true;
}

} // namespace kx
