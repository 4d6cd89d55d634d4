// Fuzzes the reading of the generator's replies (state/modVariables.h): firstReplyLine,
// the frequency decoder and the level decoder.
//
// The input is one reply as it may come off the line, read as Latin-1 (every byte one
// character, NUL, CR and LF included) and as UTF-8. The decoders are checked against a
// model written here: a reply is split at its first upper-case E, the sign and all the
// digits after it are the exponent, the text before it is the mantissa; a decoder writes
// all of its outputs or none, and what it writes is the reply's value in its unit.
#include "FuzzCheck.h"
#include "state/Number.h"
#include "state/modVariables.h"

#include <QString>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace {

using Decoded = kx::modVariables::Decoded;

// Values no decoder can write (a decoder's text is a number, its unit one of three).
const QString oldDisplay = QStringLiteral("\x01old display");
const QString oldUnit = QStringLiteral("\x01old unit");
const QString oldHz = QStringLiteral("\x01old hz");
const QString oldLevel = QStringLiteral("\x01old level");
const QString oldLevelText = QStringLiteral("\x01old level text");
const QString oldLine = QStringLiteral("\x01old line");

// The exponents each decoder's table covers.
struct Exponents {
    int lowest;
    int highest;
};
constexpr Exponents frequencyExponents{-2, 7};
constexpr Exponents levelExponents{-9, 2};

// What the model expects of a reply.
struct Expected {
    Decoded result = Decoded::Failed;
    bool mustSucceed = false; // Ok required, not merely allowed (values of sane size)
    int exponent = 0;
    QString mantissa;
    double value = 0; // mantissa x 10^exponent
};

Expected expect(Exponents table, const QString& reply) {
    Expected e;
    const qsizetype at = reply.indexOf(QLatin1Char('E'));
    if (at < 0)
        return e; // Failed
    e.mantissa = reply.left(at);
    // The exponent: an optional sign, then every digit up to the first other character.
    qsizetype i = at + 1;
    int sign = 1;
    if (i < reply.size() && (reply.at(i) == QLatin1Char('+') || reply.at(i) == QLatin1Char('-')))
        sign = reply.at(i++) == QLatin1Char('-') ? -1 : 1;
    QString digits;
    while (i < reply.size() && reply.at(i) >= QLatin1Char('0') && reply.at(i) <= QLatin1Char('9'))
        digits += reply.at(i++);
    while (digits.size() > 1 && digits.startsWith(QLatin1Char('0')))
        digits.remove(0, 1);
    const int exponent = digits.size() <= 3 ? sign * digits.toInt() : 1000;
    if (digits.isEmpty() || exponent < table.lowest || exponent > table.highest) {
        e.result = Decoded::NoMatch;
        return e;
    }
    const auto m = kx::parseNumber(e.mantissa);
    if (!m)
        return e; // Failed
    e.exponent = exponent;
    e.value = *m * std::pow(10.0, exponent);
    e.result = Decoded::Ok;
    e.mustSucceed = std::fabs(*m) < 1e290;
    return e;
}

bool near(double a, double b) {
    return std::fabs(a - b) <= 1e-13 * std::fmax(std::fabs(a), std::fabs(b)) + 1e-300;
}

// The value of text a decoder wrote: it must be a number.
double numberIn(const QString& text) {
    const auto n = kx::parseNumber(text);
    KX_FUZZ_CHECK(n.has_value());
    return *n;
}

// Rows whose exponent is 0, 3 or 6 copy the mantissa as received; the others write the
// scaled value in plain text.
bool copiesMantissa(int exponent) { return exponent == 0 || exponent == 3 || exponent == 6; }

void checkFrequency(const QString& reply) {
    kx::modVariables v;
    v.freqDisplay = oldDisplay;
    v.freqUnit = oldUnit;
    v.freqHzText = oldHz;
    v.levelDisplay = oldLevel;
    const Decoded result = v.decodeFrequencyReply(reply);
    const Expected e = expect(frequencyExponents, reply);
    KX_FUZZ_CHECK(v.levelDisplay == oldLevel); // only its own outputs

    if (result != Decoded::Ok) {
        KX_FUZZ_CHECK(v.freqDisplay == oldDisplay);
        KX_FUZZ_CHECK(v.freqUnit == oldUnit);
        KX_FUZZ_CHECK(v.freqHzText == oldHz);
        KX_FUZZ_CHECK(result == e.result ||
                      (e.result == Decoded::Ok && !e.mustSucceed && result == Decoded::Failed));
        return;
    }
    KX_FUZZ_CHECK(e.result == Decoded::Ok);
    KX_FUZZ_CHECK(v.freqUnit == QLatin1String("Hz") || v.freqUnit == QLatin1String("kHz") ||
                  v.freqUnit == QLatin1String("MHz"));
    const int unitExponent = e.exponent >= 6 ? 6 : e.exponent >= 3 ? 3 : 0;
    const char* unit = unitExponent == 6 ? "MHz" : unitExponent == 3 ? "kHz" : "Hz";
    KX_FUZZ_CHECK(v.freqUnit == QLatin1String(unit));
    const double display = numberIn(v.freqDisplay);
    const double hz = numberIn(v.freqHzText);
    KX_FUZZ_CHECK(std::isfinite(display) && std::isfinite(hz));
    if (copiesMantissa(e.exponent))
        KX_FUZZ_CHECK(v.freqDisplay == e.mantissa);
    else
        KX_FUZZ_CHECK(v.freqDisplay == kx::plainText(display));
    KX_FUZZ_CHECK(near(display * std::pow(10.0, unitExponent), e.value));
    KX_FUZZ_CHECK(near(hz, e.value));

    // The outputs depend on the reply alone, not on what was there before.
    kx::modVariables fresh;
    KX_FUZZ_CHECK(fresh.decodeFrequencyReply(reply) == Decoded::Ok);
    KX_FUZZ_CHECK(fresh.freqDisplay == v.freqDisplay && fresh.freqUnit == v.freqUnit &&
                  fresh.freqHzText == v.freqHzText);
}

void checkLevel(const QString& reply) {
    kx::modVariables v;
    v.levelDisplay = oldLevel;
    v.levelText = oldLevelText;
    v.freqDisplay = oldDisplay;
    const Decoded result = v.decodeLevelReply(reply);
    const Expected e = expect(levelExponents, reply);
    KX_FUZZ_CHECK(v.freqDisplay == oldDisplay);

    if (result != Decoded::Ok) {
        KX_FUZZ_CHECK(v.levelDisplay == oldLevel);
        KX_FUZZ_CHECK(v.levelText == oldLevelText);
        KX_FUZZ_CHECK(result == e.result ||
                      (e.result == Decoded::Ok && !e.mustSucceed && result == Decoded::Failed));
        return;
    }
    KX_FUZZ_CHECK(e.result == Decoded::Ok);
    KX_FUZZ_CHECK(v.levelText == v.levelDisplay);
    const double level = numberIn(v.levelDisplay);
    KX_FUZZ_CHECK(std::isfinite(level));
    if (e.exponent == 0)
        KX_FUZZ_CHECK(v.levelDisplay == e.mantissa);
    else
        KX_FUZZ_CHECK(v.levelDisplay == kx::plainText(level));
    KX_FUZZ_CHECK(near(level, e.value));
}

void checkReply(const QString& reply) {
    kx::modVariables v;
    v.replyLine = oldLine;
    const bool found = v.firstReplyLine(reply);
    const qsizetype cr = reply.indexOf(QLatin1Char('\r'));
    KX_FUZZ_CHECK(found == (cr >= 0));
    if (found) {
        KX_FUZZ_CHECK(!v.replyLine.contains(QLatin1Char('\r')));
        KX_FUZZ_CHECK(reply.startsWith(v.replyLine + QLatin1Char('\r')));
    } else {
        KX_FUZZ_CHECK(v.replyLine == oldLine);
    }

    // The decoders see the reply as it came and its first line, as the panel passes it.
    checkFrequency(reply);
    checkLevel(reply);
    if (found) {
        checkFrequency(v.replyLine);
        checkLevel(v.replyLine);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* text = reinterpret_cast<const char*>(data);
    const auto length = static_cast<qsizetype>(size);
    checkReply(QString::fromLatin1(text, length));
    checkReply(QString::fromUtf8(text, length));
    return 0;
}
