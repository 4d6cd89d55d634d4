#include "state/modVariables.h"

#include "link/Exchange.h"
#include "state/Number.h"
#include "state/Profile.h"

#include <QRegularExpression>

#include <cmath>

namespace kx {

namespace {

// How a table row turns the mantissa into the display text, and that into hertz.
struct Row {
    int exponent;
    double factor; // 0: copy the mantissa as received
    const char* unit;
    double toHz; // 0: the display text is in hertz already
};

// A copying factor (0) keeps the text exactly as received (trailing zeros included); any
// other writes the scaled value. Either way the text must be a number.
std::optional<QString> scaled(const QString& text, double factor) {
    const auto n = parseNumber(text);
    if (!n || !std::isfinite(*n * factor))
        return std::nullopt;
    return factor == 0 ? text : plainText(*n * factor);
}

// The table row of a reply's exponent and the display text it gives.
struct Match {
    modVariables::Decoded result;
    const Row* row = nullptr;
    QString display = {};
};

// A reply is split at its first upper-case "E": the mantissa before it and the exponent
// after it, an optional sign and its digits, all of them ("E+03" is 3, "E+10" is 10).
// Whatever follows the digits, a CR and LF say, is not part of the number.
template <size_t N> Match match(const Row (&rows)[N], const QString& reply) {
    const qsizetype at = reply.indexOf(QLatin1Char('E'));
    if (at < 0)
        return {modVariables::Decoded::Failed};
    static const QRegularExpression digits(QStringLiteral(R"(\A[+-]?[0-9]+)"));
    // No digits, or too many for an int: the exponent of no row.
    bool ok = false;
    const int exponent = digits.match(reply.mid(at + 1)).captured().toInt(&ok);
    for (const Row& row : rows) {
        if (!ok || exponent != row.exponent)
            continue;
        const auto display = scaled(reply.left(at), row.factor);
        if (!display)
            return {modVariables::Decoded::Failed};
        return {modVariables::Decoded::Ok, &row, *display};
    }
    return {modVariables::Decoded::NoMatch};
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
        {-2, 0.01, "Hz", 0}, {-1, 0.1, "Hz", 0},  {0, 0, "Hz", 0},     {1, 10, "Hz", 0},
        {2, 100, "Hz", 0},   {3, 0, "kHz", 1e3},  {4, 10, "kHz", 1e3}, {5, 100, "kHz", 1e3},
        {6, 0, "MHz", 1e6},  {7, 10, "MHz", 1e6},
    };
    const Match m = match(rows, reply);
    if (m.result != Decoded::Ok)
        return m.result;
    // In hertz the value is worked out from the display text.
    const auto hz = scaled(m.display, m.row->toHz);
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
        {-9, 1e-9, "", 0}, {-8, 1e-8, "", 0}, {-7, 1e-7, "", 0}, {-6, 1e-6, "", 0},
        {-5, 1e-5, "", 0}, {-4, 1e-4, "", 0}, {-3, 1e-3, "", 0}, {-2, 0.01, "", 0},
        {-1, 0.1, "", 0},  {0, 0, "", 0},     {1, 10, "", 0},    {2, 100, "", 0},
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
