#include "sim/Generator.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <initializer_list>

namespace kxsim {

namespace {

// A unit suffix and its factor to the base unit; an empty suffix allows a bare number.
// A table without one needs a unit: a bare number is rejected, or (lenient) read in the
// base unit, whose factor is 1 in every table.
struct Unit {
    const char* suffix;
    double factor;
};
using Units = std::initializer_list<Unit>;

const Units frequencyUnits{{"HZ", 1}, {"KHZ", 1e3}, {"MHZ", 1e6}};
const Units modFrequencyUnits{{"HZ", 1}, {"KHZ", 1e3}};
const Units voltUnits{{"", 1}, {"V", 1}};
const Units plainNumber{{"", 1}};
const Units secondUnits{{"S", 1}};
const Units timeUnits{{"US", 1e-6}, {"MS", 1e-3}, {"S", 1}};

constexpr double minFrequency = 0.01;
constexpr double minAmplitude = 0.01;
constexpr double maxAmplitude = 10;
constexpr double maxLevel = 5; // |offset| alone, and amplitude / 2 + |offset|
constexpr double minSweepRate = 0.01;
constexpr double maxSweepRate = 100;
constexpr double maxModFrequency = 20000;
constexpr double minTrigRate = 1e-6;
constexpr double maxTrigRate = 10;

bool needsUnit(Units units) {
    return std::none_of(units.begin(), units.end(),
                        [](const Unit& unit) { return *unit.suffix == '\0'; });
}

// "HZ, KHZ or MHZ"
QByteArray unitNames(Units units) {
    QByteArray names;
    qsizetype left = static_cast<qsizetype>(units.size());
    for (const Unit& unit : units) {
        names += unit.suffix;
        --left;
        names += left > 1 ? ", " : left == 1 ? " or " : "";
    }
    return names;
}

// A number, with an optional unit suffix in any letter case, converted to the base unit.
// Nothing for text that is not a number, a unit not in `units`, or a value too large.
// A bare number where `units` needs a unit is read in the base unit when `lenient`;
// otherwise it gives nothing and `missingUnit` says why.
std::optional<double> parseQuantity(const QByteArray& keyword, const QByteArray& argument,
                                    Units units, bool lenient, QByteArray* missingUnit) {
    static const QRegularExpression form(
        QStringLiteral(R"(^([+-]?(?:\d+(?:\.\d*)?|\.\d+)(?:[eE][+-]?\d+)?)\s*([A-Za-z]*)$)"));
    const QRegularExpressionMatch match = form.match(QString::fromLatin1(argument));
    if (!match.hasMatch())
        return std::nullopt;
    const QByteArray suffix = match.captured(2).toLatin1().toUpper();
    const bool bare = suffix.isEmpty() && needsUnit(units);
    if (bare && !lenient) {
        *missingUnit = keyword + " needs a unit: " + unitNames(units);
        return std::nullopt;
    }
    bool ok = false;
    const double number = match.captured(1).toDouble(&ok);
    if (!ok || !std::isfinite(number))
        return std::nullopt;
    if (bare)
        return number; // the base unit
    for (const Unit& unit : units) {
        if (suffix == unit.suffix)
            return number * unit.factor;
    }
    return std::nullopt;
}

// Why a line is rejected for its bytes, or nothing.
QByteArray badByte(const QByteArray& line) {
    for (const char c : line) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f)
            return "control character " + Generator::visible(QByteArray(1, c));
        if (byte > 0x7f)
            return "byte " + Generator::visible(QByteArray(1, c)) + " outside printable ASCII";
    }
    return {};
}

// Inclusive limits, with room for the last bit of a unit conversion.
bool inRange(double value, double low, double high) {
    constexpr double slack = 1e-12;
    return value >= low - std::abs(low) * slack && value <= high + std::abs(high) * slack;
}

bool isOneOf(const QByteArray& word, std::initializer_list<const char*> choices) {
    return std::any_of(choices.begin(), choices.end(),
                       [&word](const char* choice) { return word == choice; });
}

} // namespace

const QList<ModelProfile>& profiles() {
    static const QList<ModelProfile> table{
        {QStringLiteral("KX12A"), 12e6, 1e6, 9, {QStringLiteral("SIN")}},
        {QStringLiteral("KX20A"),
         20e6,
         2e6,
         19,
         {QStringLiteral("SIN"), QStringLiteral("SQU"), QStringLiteral("TRI")}},
        {QStringLiteral("KX25A"),
         20e6,
         2e6,
         19,
         {QStringLiteral("SIN"), QStringLiteral("SQU"), QStringLiteral("TRI")}},
    };
    return table;
}

const ModelProfile* findProfile(const QString& model) {
    for (const ModelProfile& profile : profiles()) {
        if (profile.name == model)
            return &profile;
    }
    return nullptr;
}

Generator::Generator(const ModelProfile& profile)
    : profile_(profile), memory_(profile.memoryLocations + 1) {}

double Generator::maxFrequency(const QString& function) const {
    return function == QLatin1String("TRI") ? profile_.maxRampHz : profile_.maxSineSquareHz;
}

void Generator::fitToFunction() {
    Settings& s = settings_;
    const double top = maxFrequency(s.function);
    s.frequency = std::min(s.frequency, top);
    s.sweepStart = std::min(s.sweepStart, top);
    s.sweepStop = std::min(s.sweepStop, top);
    s.deviation = std::min(s.deviation, top);
    if (s.function == QLatin1String("SQU"))
        s.dutyCycle = std::clamp(s.dutyCycle, 20.0, 80.0);
    else if (s.function == QLatin1String("TRI"))
        s.dutyCycle = std::clamp(s.dutyCycle, 1.0, 99.0);
}

void Generator::keep(const QByteArray& line) {
    received_.append(line);
    ++receivedCount_;
    if (received_.size() > keptLines)
        received_.removeFirst();
}

std::optional<QByteArray> Generator::handleLine(const QByteArray& line) {
    return process(line).answer;
}

Generator::Reply Generator::process(const QByteArray& line) {
    Reply reply;
    reply.line = line;
    if (!lenient_)
        reply.reason = badByte(line);
    // A line rejected for its bytes is kept as received, so that they stay visible.
    const QByteArray text = reply.reason.isEmpty() ? line.trimmed() : line;
    if (text.isEmpty())
        return reply; // blank: not a line at all
    keep(text);

    if (reply.reason.isEmpty()) {
        qsizetype blank = 0;
        while (blank < text.size() && text.at(blank) != ' ' && text.at(blank) != '\t')
            ++blank;
        const QByteArray keyword = text.left(blank).toUpper();
        const QByteArray argument = text.mid(blank).trimmed();
        if (keyword.endsWith('?')) {
            if (argument.isEmpty())
                reply.answer = answerQuery(keyword);
            reply.outcome = reply.answer ? Outcome::Done : Outcome::Ignored;
        } else {
            missingUnit_.clear();
            const bool done = keyword == "*SAV" || keyword == "*RCL"
                                  ? recallOrSave(keyword, argument)
                                  : applySetting(keyword, argument);
            reply.outcome = done ? Outcome::Done : Outcome::Ignored;
            reply.reason = missingUnit_;
        }
    }
    if (!reply.reason.isEmpty()) {
        reply.outcome = Outcome::Rejected;
        rejected_.append({text, reply.reason});
        ++rejectedCount_;
        if (rejected_.size() > keptLines)
            rejected_.removeFirst();
    }
    lastLineIgnored_ = reply.outcome != Outcome::Done;
    lastLineRejected_ = reply.outcome == Outcome::Rejected;
    return reply;
}

bool Generator::applySetting(const QByteArray& keyword, const QByteArray& argument) {
    Settings& s = settings_;
    const QByteArray word = argument.toUpper();
    const auto quantity = [&](Units units) {
        return parseQuantity(keyword, argument, units, lenient_, &missingUnit_);
    };

    if (keyword == "FUNC") {
        if (!isOneOf(word, {"SIN", "SQU", "TRI"}))
            return false;
        s.function = QString::fromLatin1(word);
        fitToFunction();
        return true;
    }
    if (keyword == "OUT") {
        if (!isOneOf(word, {"ON", "OFF"}))
            return false;
        s.output = word == "ON";
        return true;
    }
    if (keyword == "FREQ" || keyword == "SWSTA" || keyword == "SWSTO" || keyword == "DEV") {
        const auto hertz = quantity(frequencyUnits);
        if (!hertz || !inRange(*hertz, minFrequency, maxFrequency(s.function)))
            return false;
        double& target = keyword == "FREQ"    ? s.frequency
                         : keyword == "SWSTA" ? s.sweepStart
                         : keyword == "SWSTO" ? s.sweepStop
                                              : s.deviation;
        target = *hertz;
        return true;
    }
    if (keyword == "AMPL") {
        const auto volts = quantity(voltUnits);
        if (!volts || !inRange(*volts, minAmplitude, maxAmplitude) ||
            !inRange(*volts / 2 + std::abs(s.offset), 0, maxLevel))
            return false;
        s.amplitude = *volts;
        return true;
    }
    if (keyword == "OFFS") {
        const auto volts = quantity(voltUnits);
        if (!volts || !inRange(std::abs(*volts), 0, maxLevel) ||
            !inRange(s.amplitude / 2 + std::abs(*volts), 0, maxLevel))
            return false;
        s.offset = *volts == 0 ? 0.0 : *volts; // no negative zero
        return true;
    }
    if (keyword == "DCYC") {
        const auto percent = quantity(plainNumber);
        if (!percent)
            return false;
        const bool fits = s.function == QLatin1String("SQU")   ? inRange(*percent, 20, 80)
                          : s.function == QLatin1String("TRI") ? inRange(*percent, 1, 99)
                                                               : false;
        if (!fits)
            return false;
        s.dutyCycle = *percent;
        return true;
    }
    if (keyword == "SWE") {
        if (isOneOf(word, {"LIN", "LOG"}))
            s.sweepType = QString::fromLatin1(word);
        else if (isOneOf(word, {"ON", "OFF"}))
            s.sweepOn = word == "ON";
        else
            return false;
        return true;
    }
    if (keyword == "SWRA") {
        const auto seconds = quantity(secondUnits);
        if (!seconds || !inRange(*seconds, minSweepRate, maxSweepRate))
            return false;
        s.sweepRate = *seconds;
        return true;
    }
    if (keyword == "MODUL") {
        if (isOneOf(word, {"AM", "FM"}))
            s.modKind = QString::fromLatin1(word);
        else if (isOneOf(word, {"INT", "EXT"}))
            s.modSource = QString::fromLatin1(word);
        else if (word != "OFF")
            return false;
        s.modOn = word != "OFF";
        return true;
    }
    if (keyword == "MODSH") {
        const QString shape = QString::fromLatin1(word);
        if (!profile_.modShapes.contains(shape))
            return false;
        s.modShape = shape;
        return true;
    }
    if (keyword == "MODFR") {
        const auto hertz = quantity(modFrequencyUnits);
        if (!hertz || !inRange(*hertz, minFrequency, maxModFrequency))
            return false;
        s.modFrequency = *hertz;
        return true;
    }
    if (keyword == "DEPT") {
        const auto percent = quantity(plainNumber);
        if (!percent || !inRange(*percent, 0, 100))
            return false;
        s.depth = *percent;
        return true;
    }
    if (keyword == "MODE") {
        if (!isOneOf(word, {"CONT", "TRIG", "GATE", "BURS"}))
            return false;
        s.mode = QString::fromLatin1(word);
        return true;
    }
    if (keyword == "TRIG") {
        if (isOneOf(word, {"INT", "EXT"})) {
            s.trigSource = QString::fromLatin1(word);
            return true;
        }
        const auto seconds = quantity(timeUnits);
        if (!seconds || !inRange(*seconds, minTrigRate, maxTrigRate))
            return false;
        s.trigRate = *seconds;
        return true;
    }
    return false;
}

bool Generator::recallOrSave(const QByteArray& keyword, const QByteArray& argument) {
    QByteArray never; // plain numbers need no unit
    const auto location = parseQuantity(keyword, argument, plainNumber, lenient_, &never);
    if (!location || *location != std::floor(*location) ||
        !inRange(*location, 0, profile_.memoryLocations))
        return false;
    const auto index = static_cast<qsizetype>(*location);
    if (keyword == "*RCL") {
        settings_ = memory_.at(index);
        return true;
    }
    if (index == 0) // the factory set-up cannot be overwritten
        return false;
    memory_[index] = settings_;
    return true;
}

std::optional<QByteArray> Generator::answerQuery(const QByteArray& keyword) const {
    const Settings& s = settings_;
    if (keyword == "*IDN?")
        return profile_.name.toLatin1() + " Function Generator,SIM,1.0";
    if (keyword == "FUNC?")
        return s.function.toLatin1();
    if (keyword == "OUT?")
        return QByteArray(s.output ? "1" : "0");
    if (keyword == "FREQ?")
        return formatNumber(s.frequency);
    if (keyword == "AMPL?")
        return formatNumber(s.amplitude);
    if (keyword == "OFFS?")
        return formatNumber(s.offset);
    if (keyword == "DCYC?")
        return formatNumber(s.dutyCycle);
    if (keyword == "SWE?")
        return s.sweepOn ? s.sweepType.toLatin1() + " ON" : QByteArray("OFF");
    if (keyword == "SWSTA?")
        return formatNumber(s.sweepStart);
    if (keyword == "SWSTO?")
        return formatNumber(s.sweepStop);
    if (keyword == "SWRA?")
        return formatNumber(s.sweepRate);
    if (keyword == "MODUL?")
        return s.modOn ? (s.modKind + QLatin1Char(' ') + s.modSource).toLatin1()
                       : QByteArray("OFF");
    if (keyword == "MODSH?")
        return s.modShape.toLatin1();
    if (keyword == "MODFR?")
        return formatNumber(s.modFrequency);
    if (keyword == "DEPT?")
        return formatNumber(s.depth);
    if (keyword == "DEV?")
        return formatNumber(s.deviation);
    if (keyword == "MODE?")
        return s.mode.toLatin1();
    if (keyword == "TRIG?")
        return s.trigSource.toLatin1();
    if (keyword == rejectedQuery)
        return QByteArray::number(rejectedCount_);
    return std::nullopt;
}

QList<Generator::Reply> Generator::take(const QByteArray& bytes) {
    QList<Reply> replies;
    for (const char c : bytes) {
        if (c == '\r') {
            if (!discarding_) {
                replies.append(process(pending_));
                if (echo_)
                    replies.last().echo = pending_ + lineEnd_;
            }
            pending_.clear();
            discarding_ = false;
            afterCr_ = true;
            continue;
        }
        if (c == '\n' && afterCr_) { // CR LF ends a line as CR does
            afterCr_ = false;
            continue;
        }
        afterCr_ = false;
        if (discarding_)
            continue;
        if (pending_.size() < maxLineLength) {
            pending_ += c;
        } else {
            pending_.clear();
            discarding_ = true;
        }
    }
    return replies;
}

QByteArray Generator::feed(const QByteArray& bytes) {
    QByteArray out;
    for (const Reply& reply : take(bytes)) {
        out += reply.echo;
        if (reply.answer)
            out += *reply.answer + lineEnd_;
    }
    return out;
}

QByteArray Generator::visible(const QByteArray& bytes) {
    QByteArray out;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7f)
            out += "<0x" + QByteArray::number(byte, 16).rightJustified(2, '0') + '>';
        else
            out += c;
    }
    return out;
}

QByteArray Generator::formatNumber(double value) const {
    if (value == 0)
        value = 0; // writes -0 as 0
    // printf rounds the mantissa and carries into the exponent (9.999996 -> 1.00000E+01);
    // only the exponent's form is changed here.
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.5E", value);
    const QByteArray text(buffer);
    const qsizetype e = text.indexOf('E');
    if (e < 0) // not finite
        return text;
    const int exponent = text.mid(e + 1).toInt();
    if (exponent < -9) // too small for a one-digit exponent (an offset of 1e-10 V)
        return formatNumber(0);
    QByteArray out = text.left(e);
    out += lowerE_ ? 'e' : 'E';
    out += exponent < 0 ? '-' : '+';
    out += QByteArray::number(std::abs(exponent));
    return out;
}

} // namespace kxsim
