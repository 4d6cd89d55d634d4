#include "state/modVariables.h"

#include "state/Number.h"

#include <array>
#include <cmath>

namespace kx {

namespace {

struct LimitRow {
    const char* model;
    double sineSquareMax;
    double rampMax;
};

// One row per model: highest frequency for sine and square, and for the ramp.
constexpr std::array<LimitRow, 3> limitRows{{
    {"KX12A", 12'000'000, 1'000'000},
    {"KX20A", 20'000'000, 2'000'000},
    {"KX25A", 20'000'000, 2'000'000},
}};

constexpr double lowestFrequency = 0.01;

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

} // namespace

void modVariables::setFrequencyLimits() {
    for (const LimitRow& row : limitRows) {
        if (modelName != QLatin1String(row.model))
            continue;
        if (waveShape == QLatin1String("sine") || waveShape == QLatin1String("square")) {
            freqMax = row.sineSquareMax;
            freqMin = lowestFrequency;
        } else if (waveShape == QLatin1String("ramp")) {
            freqMax = row.rampMax;
            freqMin = lowestFrequency;
        }
        return;
    }
}

modVariables::Decoded modVariables::decodeFrequencyReply(const QString& reply) {
    static constexpr std::array<Row, 10> rows{{
        {"E-2", 0.01, "Hz", 1},
        {"E-1", 0.1, "Hz", 1},
        {"E+0", 0, "Hz", 1},
        {"E+1", 10, "Hz", 1},
        {"E+2", 100, "Hz", 1},
        {"E+3", 0, "kHz", 1e3},
        {"E+4", 10, "kHz", 1e3},
        {"E+5", 100, "kHz", 1e3},
        {"E+6", 0, "MHz", 1e6},
        {"E+7", 10, "MHz", 1e6},
    }};
    const auto parts = split(reply);
    if (!parts)
        return Decoded::Failed;
    for (const Row& row : rows) {
        if (parts->tag != QLatin1String(row.tag))
            continue;
        const auto display = displayText(parts->mantissa, row.factor);
        if (!display)
            return Decoded::Failed;
        // In hertz the value is worked out from the display text; a copied mantissa in
        // the hertz rows is kept as it came.
        std::optional<QString> hz = *display;
        if (row.toHz != 1)
            hz = scaled(*display, row.toHz);
        if (!hz)
            return Decoded::Failed;
        freqDisplay = *display;
        freqUnit = QString::fromLatin1(row.unit);
        freqHzText = *hz;
        return Decoded::Ok;
    }
    return Decoded::NoMatch;
}

modVariables::Decoded modVariables::decodeLevelReply(const QString& reply) {
    static constexpr std::array<Row, 5> rows{{
        {"E-2", 0.01, "", 1},
        {"E-1", 0.1, "", 1},
        {"E+0", 0, "", 1},
        {"E+1", 10, "", 1},
        {"E+2", 100, "", 1},
    }};
    const auto parts = split(reply);
    if (!parts)
        return Decoded::Failed;
    for (const Row& row : rows) {
        if (parts->tag != QLatin1String(row.tag))
            continue;
        const auto display = displayText(parts->mantissa, row.factor);
        if (!display)
            return Decoded::Failed;
        levelDisplay = *display;
        levelText = *display;
        return Decoded::Ok;
    }
    return Decoded::NoMatch;
}

bool modVariables::firstReplyLine(const QString& reply) {
    const qsizetype at = reply.indexOf(QLatin1Char('\r'));
    if (at < 0)
        return false;
    replyLine = reply.left(at);
    return true;
}

} // namespace kx
