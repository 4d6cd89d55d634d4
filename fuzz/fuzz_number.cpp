// Fuzzes the number parser and the plain formatter (state/Number.h).
//
// The input is read as text twice, as Latin-1 (every byte one character, NUL, CR and LF
// included) and as UTF-8, and its first eight bytes once more as the bits of a double.
// parseNumber must accept exactly the text of its grammar (spaces at either end aside,
// no other character anywhere) whose value is finite, with the value the C library reads; whatever
// it accepts must come back from plainText as plain decimal text that parses to nearly the same
// value.
#include "FuzzCheck.h"
#include "state/Number.h"

#include <QString>

#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

namespace {

bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

// The grammar written out by hand: [+-]? (digits [. digits?] | . digits) ([eE] [+-]? digits)?
bool isNumberForm(const QString& t) {
    const qsizetype n = t.size();
    qsizetype i = 0;
    const auto sign = [&] {
        if (i < n && (t.at(i) == QLatin1Char('+') || t.at(i) == QLatin1Char('-')))
            ++i;
    };
    const auto digits = [&] {
        const qsizetype from = i;
        while (i < n && isDigit(t.at(i)))
            ++i;
        return i - from;
    };
    sign();
    qsizetype mantissaDigits = digits();
    if (i < n && t.at(i) == QLatin1Char('.')) {
        ++i;
        mantissaDigits += digits();
    }
    if (mantissaDigits == 0)
        return false;
    if (i < n && (t.at(i) == QLatin1Char('e') || t.at(i) == QLatin1Char('E'))) {
        ++i;
        sign();
        if (digits() == 0)
            return false;
    }
    return i == n;
}

QString withoutBlanksAtEnds(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == QLatin1Char(' '))
        ++begin;
    while (end > begin && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return text.mid(begin, end - begin);
}

// Significant digits of plain decimal text: from the first non-zero digit to the last.
int significantDigits(const QString& plain) {
    QString digits = plain;
    digits.remove(QLatin1Char('-')).remove(QLatin1Char('.'));
    qsizetype first = 0;
    while (first < digits.size() && digits.at(first) == QLatin1Char('0'))
        ++first;
    qsizetype last = digits.size();
    while (last > first && digits.at(last - 1) == QLatin1Char('0'))
        --last;
    return static_cast<int>(last - first);
}

// Plain text: an optional minus, digits without superfluous leading zeros, and a
// fraction without trailing zeros; never "-0".
bool isPlainForm(const QString& s) {
    qsizetype i = 0;
    const qsizetype n = s.size();
    if (i < n && s.at(i) == QLatin1Char('-'))
        ++i;
    const qsizetype intStart = i;
    while (i < n && isDigit(s.at(i)))
        ++i;
    const qsizetype intDigits = i - intStart;
    if (intDigits == 0 || (intDigits > 1 && s.at(intStart) == QLatin1Char('0')))
        return false;
    if (i < n && s.at(i) == QLatin1Char('.')) {
        ++i;
        const qsizetype fracStart = i;
        while (i < n && isDigit(s.at(i)))
            ++i;
        if (i == fracStart || s.at(i - 1) == QLatin1Char('0'))
            return false;
    }
    return i == n && s != QLatin1String("-0");
}

// What plainText promises for a finite x.
void checkPlain(double x) {
    const QString p = kx::plainText(x);
    KX_FUZZ_CHECK(isPlainForm(p));
    KX_FUZZ_CHECK(significantDigits(p) <= 15);
    KX_FUZZ_CHECK((p == QLatin1String("0")) == (x == 0));
    KX_FUZZ_CHECK(p.startsWith(QLatin1Char('-')) == (x < 0));
    const auto back = kx::parseNumber(p);
    KX_FUZZ_CHECK(back.has_value());
    // Fifteen significant digits: within a few parts in 10^15 (subnormals have fewer
    // digits of their own, hence the absolute term).
    KX_FUZZ_CHECK(std::fabs(*back - x) <=
                  std::fabs(x) * 1e-14 + 4 * std::numeric_limits<double>::denorm_min());
    // Text that plainText wrote reads back to the same text.
    KX_FUZZ_CHECK(kx::plainText(*back) == p);
}

void checkParse(const QString& text) {
    const std::optional<double> parsed = kx::parseNumber(text);
    const QString core = withoutBlanksAtEnds(text);
    if (!isNumberForm(core)) {
        KX_FUZZ_CHECK(!parsed.has_value());
        return;
    }
    // Accepted text goes out on the line as typed: printable ASCII, one line.
    for (const QChar c : text)
        KX_FUZZ_CHECK(c.unicode() >= 0x20 && c.unicode() < 0x7f);
    // The grammar is ASCII, and the C library reads it in the C locale (no locale is
    // set in this process).
    const std::string ascii = core.toStdString();
    char* end = nullptr;
    errno = 0;
    const double expected = std::strtod(ascii.c_str(), &end);
    const bool underflow = errno == ERANGE && std::fabs(expected) < DBL_MIN;
    KX_FUZZ_CHECK(end == ascii.c_str() + ascii.size());
    if (!std::isfinite(expected)) {
        KX_FUZZ_CHECK(!parsed.has_value()); // too large for a double
        return;
    }
    // Qt's reader refuses a value too small for a double (1e-400) rather than read 0.
    if (underflow && !parsed)
        return;
    KX_FUZZ_CHECK(parsed.has_value());
    KX_FUZZ_CHECK(std::isfinite(*parsed));
    KX_FUZZ_CHECK(*parsed == expected);
    KX_FUZZ_CHECK(std::signbit(*parsed) == std::signbit(expected));
    checkPlain(*parsed);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* text = reinterpret_cast<const char*>(data);
    const auto length = static_cast<qsizetype>(size);
    checkParse(QString::fromLatin1(text, length));
    checkParse(QString::fromUtf8(text, length));
    if (size >= sizeof(double)) {
        double bits = 0;
        std::memcpy(&bits, data, sizeof bits);
        if (std::isfinite(bits))
            checkPlain(bits);
        else
            KX_FUZZ_CHECK(kx::plainText(bits) == QLatin1String("0"));
    }
    return 0;
}
