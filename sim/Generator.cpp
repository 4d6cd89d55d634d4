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
constexpr double maxLevel = 5; // |offset| alone, and amplitude / 2 + |offset|

bool needsUnit(Units units) {
    return std::none_of(units.begin(), units.end(),
                        [](const Unit& unit) { return *unit.suffix == '\0'; });
}

// "HZ, KHZ or MHZ"
QByteArray unitNames(Units units) {
    QByteArrayList names;
    for (const Unit& unit : units)
        names << unit.suffix;
    const QByteArray last = names.takeLast();
    return names.isEmpty() ? last : names.join(", ") + " or " + last;
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

// Adds `item` to the last Generator::keptLines of its kind, and to their count in all.
template <typename T> void keepLast(QList<T>& kept, qint64& count, const T& item) {
    kept.append(item);
    ++count;
    if (kept.size() > Generator::keptLines)
        kept.removeFirst();
}

// Inclusive limits, with room for the last bit of a unit conversion.
bool inRange(double value, double low, double high) {
    constexpr double slack = 1e-12;
    return value >= low - std::abs(low) * slack && value <= high + std::abs(high) * slack;
}

// A number a keyword sets: its units, where it is kept, and whether a value fits the
// generator as it is (its model, its waveform, the other settings). Its query is the
// keyword and "?", answered with the value kept, unless a word of the keyword answers it.
struct Quantity {
    const char* keyword;
    Units units;
    double Settings::*value;
    bool (*fits)(double value, const Settings& s, const ModelProfile& model);
};

template <double low, double high> bool within(double value, const Settings&, const ModelProfile&) {
    return inRange(value, low, high);
}

double topFrequency(const ModelProfile& model, const QString& function) {
    return function == QLatin1String("TRI") ? model.maxRampHz : model.maxSineSquareHz;
}

// The output frequency, a sweep end and the deviation: up to the model's highest
// frequency for the waveform.
bool inCarrierRange(double hertz, const Settings& s, const ModelProfile& model) {
    return inRange(hertz, minFrequency, topFrequency(model, s.function));
}

// The duty cycle of the square wave and the symmetry of the ramp; the sine has none.
struct DutyRange {
    const char* function;
    double low, high;
};
constexpr DutyRange dutyRanges[] = {{"SQU", 20, 80}, {"TRI", 1, 99}};

bool dutyFits(double percent, const Settings& s, const ModelProfile&) {
    return std::any_of(std::begin(dutyRanges), std::end(dutyRanges), [&](const DutyRange& r) {
        return s.function == QLatin1String(r.function) && inRange(percent, r.low, r.high);
    });
}

const Quantity quantities[] = {
    {"FREQ", frequencyUnits, &Settings::frequency, inCarrierRange},
    {"SWSTA", frequencyUnits, &Settings::sweepStart, inCarrierRange},
    {"SWSTO", frequencyUnits, &Settings::sweepStop, inCarrierRange},
    {"DEV", frequencyUnits, &Settings::deviation, inCarrierRange},
    {"AMPL", voltUnits, &Settings::amplitude,
     [](double volts, const Settings& s, const ModelProfile&) {
         return inRange(volts, 0.01, 10) && inRange(volts / 2 + std::abs(s.offset), 0, maxLevel);
     }},
    {"OFFS", voltUnits, &Settings::offset,
     [](double volts, const Settings& s, const ModelProfile&) {
         return inRange(std::abs(volts), 0, maxLevel) &&
                inRange(s.amplitude / 2 + std::abs(volts), 0, maxLevel);
     }},
    {"DCYC", plainNumber, &Settings::dutyCycle, dutyFits},
    {"SWRA", secondUnits, &Settings::sweepRate, within<0.01, 100.0>},
    {"MODFR", modFrequencyUnits, &Settings::modFrequency, within<minFrequency, 20000.0>},
    {"DEPT", plainNumber, &Settings::depth, within<0.0, 100.0>},
    // "TRIG?" answers the source (a word below), not the rate.
    {"TRIG", timeUnits, &Settings::trigRate, within<1e-6, 10.0>},
};

// After a change of waveform: brings every value that depends on it into range.
void fitToFunction(Settings& s, const ModelProfile& model) {
    for (const Quantity& q : quantities) {
        if (q.fits == inCarrierRange)
            s.*q.value = std::min(s.*q.value, topFrequency(model, s.function));
    }
    for (const DutyRange& r : dutyRanges) {
        if (s.function == QLatin1String(r.function))
            s.dutyCycle = std::clamp(s.dutyCycle, r.low, r.high);
    }
}

// Words a keyword takes: a word of `words` is kept in `text`, and `flag`, where named,
// is set: off by OFF, on by any other word. No words: the model's modulating shapes. The
// query, the keyword and "?", answers the word kept (OUT?, SWE? and MODUL?, which tell of
// a flag, are answered apart).
struct Choice {
    const char* keyword;
    std::initializer_list<const char*> words;
    QString Settings::*text = nullptr;
    bool Settings::*flag = nullptr;
};

const Choice choices[] = {
    {"FUNC", {"SIN", "SQU", "TRI"}, &Settings::function},
    {"OUT", {"ON", "OFF"}, nullptr, &Settings::output},
    {"SWE", {"LIN", "LOG"}, &Settings::sweepType},
    {"SWE", {"ON", "OFF"}, nullptr, &Settings::sweepOn},
    {"MODUL", {"AM", "FM"}, &Settings::modKind, &Settings::modOn},
    {"MODUL", {"INT", "EXT"}, &Settings::modSource, &Settings::modOn},
    {"MODUL", {"OFF"}, nullptr, &Settings::modOn},
    {"MODSH", {}, &Settings::modShape},
    {"MODE", {"CONT", "TRIG", "GATE", "BURS"}, &Settings::mode},
    {"TRIG", {"INT", "EXT"}, &Settings::trigSource},
};

} // namespace

const QList<ModelProfile>& profiles() {
    const QString sine = QStringLiteral("SIN");
    const QList<QString> allShapes{sine, QStringLiteral("SQU"), QStringLiteral("TRI")};
    static const QList<ModelProfile> table{
        {QStringLiteral("KX12A"), 12e6, 1e6, 9, {sine}},
        {QStringLiteral("KX20A"), 20e6, 2e6, 19, allShapes},
        {QStringLiteral("KX25A"), 20e6, 2e6, 19, allShapes},
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

Generator::Reply Generator::process(const QByteArray& line) {
    Reply reply;
    reply.line = line;
    if (!lenient_)
        reply.reason = badByte(line);
    // A line rejected for its bytes is kept as received, so that they stay visible.
    const QByteArray text = reply.reason.isEmpty() ? line.trimmed() : line;
    if (text.isEmpty())
        return reply; // blank: not a line at all
    keepLast(received_, receivedCount_, text);

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
            reply.outcome = applySetting(keyword, argument) ? Outcome::Done : Outcome::Ignored;
            reply.reason = missingUnit_;
        }
    }
    if (!reply.reason.isEmpty()) {
        reply.outcome = Outcome::Rejected;
        keepLast(rejected_, rejectedCount_, Rejection{text, reply.reason});
    }
    lastOutcome_ = reply.outcome;
    return reply;
}

bool Generator::applySetting(const QByteArray& keyword, const QByteArray& argument) {
    if (keyword == "*SAV" || keyword == "*RCL")
        return recallOrSave(keyword, argument);
    Settings& s = settings_;
    const QString word = QString::fromLatin1(argument.toUpper());
    for (const Choice& c : choices) {
        const bool taken =
            keyword == c.keyword &&
            (c.words.size() ? std::any_of(c.words.begin(), c.words.end(),
                                          [&](const char* w) { return word == QLatin1String(w); })
                            : profile_.modShapes.contains(word));
        if (!taken)
            continue;
        if (c.text)
            s.*c.text = word;
        if (c.flag)
            s.*c.flag = word != QLatin1String("OFF");
        if (c.text == &Settings::function)
            fitToFunction(s, profile_);
        return true;
    }
    for (const Quantity& q : quantities) {
        if (keyword != q.keyword)
            continue;
        const auto value = parseQuantity(keyword, argument, q.units, lenient_, &missingUnit_);
        if (!value || !q.fits(*value, s, profile_))
            return false;
        s.*q.value = *value == 0 ? 0.0 : *value; // no negative zero
        return true;
    }
    return false;
}

bool Generator::recallOrSave(const QByteArray& keyword, const QByteArray& argument) {
    // A plain number needs no unit: missingUnit_ stays empty.
    const auto location = parseQuantity(keyword, argument, plainNumber, lenient_, &missingUnit_);
    if (!location || *location != std::floor(*location) ||
        !inRange(*location, 0, profile_.memoryLocations))
        return false;
    const auto index = static_cast<qsizetype>(*location);
    if (keyword == "*RCL")
        settings_ = memory_.at(index);
    else if (index == 0) // the factory set-up cannot be overwritten
        return false;
    else
        memory_[index] = settings_;
    return true;
}

std::optional<QByteArray> Generator::answerQuery(const QByteArray& keyword) const {
    const Settings& s = settings_;
    if (keyword == "*IDN?")
        return profile_.name.toLatin1() + " Function Generator,SIM,1.0";
    if (keyword == "OUT?")
        return QByteArray(s.output ? "1" : "0");
    if (keyword == "SWE?")
        return s.sweepOn ? s.sweepType.toLatin1() + " ON" : QByteArray("OFF");
    if (keyword == "MODUL?")
        return s.modOn ? (s.modKind + QLatin1Char(' ') + s.modSource).toLatin1()
                       : QByteArray("OFF");
    if (keyword == rejectedQuery)
        return QByteArray::number(rejectedCount_);
    const QByteArray asked = keyword.chopped(1);
    for (const Choice& c : choices) { // first: a word answers TRIG?, not the rate
        if (c.text && asked == c.keyword)
            return (s.*c.text).toLatin1();
    }
    for (const Quantity& q : quantities) {
        if (asked == q.keyword)
            return formatNumber(s.*q.value);
    }
    return std::nullopt;
}

QList<Generator::Reply> Generator::take(const QByteArray& bytes) {
    QList<Reply> replies;
    for (const char c : bytes) {
        const bool crLf = afterCr_ && c == '\n'; // CR LF ends a line as CR does
        afterCr_ = c == '\r';
        if (c == '\r') {
            if (!discarding_) {
                replies.append(process(pending_));
                if (echo_)
                    replies.last().echo = pending_ + lineEnd_;
            }
            pending_.clear();
            discarding_ = false;
        } else if (crLf || discarding_) {
            continue; // the LF of a CR LF, or the rest of an overlong line
        } else if (pending_.size() < maxLineLength) {
            pending_ += c;
        } else { // overlong: dropped whole
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
    return text.left(e) + (lowerE_ ? 'e' : 'E') + (exponent < 0 ? '-' : '+') +
           QByteArray::number(std::abs(exponent));
}

} // namespace kxsim
