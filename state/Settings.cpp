#include "state/Settings.h"

#include "link/Exchange.h"
#include "link/LinkError.h"
#include "state/Number.h"
#include "state/Profile.h"

#include <algorithm>
#include <cmath>

namespace kx {

Range frequencyLimits(modVariables& vars) {
    vars.setFrequencyLimits();
    return {vars.freqMin, vars.freqMax};
}

namespace {

// Half the amplitude plus the magnitude of the offset may not exceed this. Displays
// carry five decimals; a sum that only exceeds it by rounding error in the last bit
// of a double is at the limit.
constexpr double levelLimit = 5.0;
constexpr double tolerance = 1e-9;

bool amplitudeFitsOffset(double amplitude, const modVariables& vars) {
    return amplitude / 2 + std::fabs(vars.offsetV.value_or(0)) <= levelLimit + tolerance;
}

bool offsetFitsAmplitude(double offset, const modVariables& vars) {
    return std::fabs(offset) + vars.amplitudeV.value_or(0) / 2 <= levelLimit + tolerance;
}

Range amplitudeBounds(const modVariables& vars) {
    return {0, 2 * (levelLimit - std::fabs(vars.offsetV.value_or(0)))};
}

Range offsetBounds(const modVariables& vars) {
    const double most = levelLimit - vars.amplitudeV.value_or(0) / 2;
    return {-most, most};
}

// The units of the lines. The generator takes the sweep's stop in kHz as "kHZ", the
// deviation in its own "Hz", "kHz" and "MHz".
constexpr Unit hertz[] = {{"Hz", 1, "HZ"}, {"kHz", 1e3, "KHZ"}, {"MHz", 1e6, "MHZ"}};
constexpr Unit stopHertz[] = {{"Hz", 1, "HZ"}, {"kHz", 1e3, "kHZ"}, {"MHz", 1e6, "MHZ"}};
constexpr Unit deviationHertz[] = {{"Hz", 1, "Hz"}, {"kHz", 1e3, "kHz"}, {"MHz", 1e6, "MHz"}};
constexpr Unit periods[] = {{"us", 1e-6, "US"}, {"ms", 1e-3, "MS"}, {"s", 1, "S"}};
constexpr Unit volts[] = {{"V", 1, ""}};
constexpr Unit percent[] = {{"%", 1, ""}};

// A frequency held to the connected model's range for the current waveform: the
// output frequency, a sweep end (never held to the other end), the deviation.
constexpr Setting inCarrierRange(const char* name, const char* help, std::span<const Unit> units,
                                 const char* line, ReadBack readBack, Precondition asks = {}) {
    return {.name = name,
            .units = units,
            .limits = frequencyLimits,
            .code = 5,
            .line = line,
            .readBack = readBack,
            .asks = asks,
            .needs = fact::model | fact::waveform,
            .help = help};
}

// A value with fixed limits, refused with code 7 outside them.
constexpr Setting inFixedRange(const char* name, const char* help, std::span<const Unit> units,
                               Range range, const char* line, ReadBack readBack = {},
                               Precondition asks = {}) {
    return {.name = name,
            .units = units,
            .limits = {range.lowest, range.highest},
            .code = 7,
            .line = line,
            .readBack = readBack,
            .asks = asks,
            .help = help};
}

} // namespace

namespace settings {
const Setting frequency =
    inCarrierRange("frequency", "the output frequency", hertz, "FREQ ", readBacks::outputFrequency);
const Setting amplitude{.name = "amplitude",
                        .units = volts,
                        .limits = {0.01, 10},
                        .code = 6,
                        .line = "AMPL ",
                        .readBack = readBacks::amplitude,
                        .rule = {amplitudeFitsOffset, 8, amplitudeBounds},
                        .needs = fact::offset,
                        .help = "the amplitude, peak to peak"};
const Setting offset{.name = "offset",
                     .units = volts,
                     .limits = {-5, 5},
                     .code = 7,
                     .line = "OFFS ",
                     .readBack = readBacks::offset,
                     .rule = {offsetFitsAmplitude, 8, offsetBounds},
                     .needs = fact::amplitude,
                     .help = "the DC offset"};
const Setting sweepStart = inCarrierRange("sweep-start", "the sweep's start frequency", hertz,
                                          "SWSTA ", {"SWSTA?", Decoding::Frequency});
const Setting sweepStop = inCarrierRange("sweep-stop", "the sweep's stop frequency", stopHertz,
                                         "SWSTO ", {"SWSTO?", Decoding::Frequency});
const Setting sweepRate = inFixedRange("sweep-rate", "the sweep's duration",
                                       std::span(periods).last<1>(), {0.01, 100}, "SWRA ");
// The modulating frequency: 0.01 Hz to 20 kHz for every model and waveform.
const Setting modulationFrequency =
    inFixedRange("mod-frequency", "the modulating frequency", std::span(hertz).first<2>(),
                 {0.01, 20000}, "MODFR ", {"MODFR?", Decoding::Frequency});
// The depth and the deviation are for the generator's own modulating source only: the
// generator is asked which modulation runs before anything is decided.
const Setting depth = inFixedRange("depth", "the AM depth (internal AM only)", percent, {0, 100},
                                   "DEPT ", {}, {"MODUL?", "AM INT", 13});
const Setting deviation = inCarrierRange("deviation", "the FM deviation (internal FM only)",
                                         deviationHertz, "DEV ", {}, {"MODUL?", "FM INT", 14});
// The internal trigger's period: 1 us to 10 s.
const Setting triggerRate =
    inFixedRange("trigger-rate", "the internal trigger's period", periods, {1e-6, 10}, "TRIG ");
} // namespace settings

namespace {

using Lines = const char* const[];
// Continuous mode and modulation off before a sweep is chosen and switched on.
constexpr Lines linearSweepLines{"MODE CONT", "MODUL OFF", "SWE LIN", "SWE ON"};
constexpr Lines logSweepLines{"MODE CONT", "MODUL OFF", "SWE LOG", "SWE ON"};
constexpr Lines sweepOffLines{"SWE OFF"};
// Continuous mode and sweep off, then the type and the source.
constexpr Lines modulationLines{"MODE CONT", "SWE OFF"};
constexpr Lines amInt{"MODUL AM", "MODUL INT"}, amExt{"MODUL AM", "MODUL EXT"};
constexpr Lines fmInt{"MODUL FM", "MODUL INT"}, fmExt{"MODUL FM", "MODUL EXT"};
constexpr Option modulations[] = {
    {"am-int", amInt}, {"am-ext", amExt}, {"fm-int", fmInt}, {"fm-ext", fmExt}};
constexpr Lines shapeSin{"MODSH SIN"}, shapeSqu{"MODSH SQU"}, shapeTri{"MODSH TRI"};
// By the position in the model's list of shapes, which holds them in this order.
constexpr Option shapes[] = {{"sine", shapeSin}, {"square", shapeSqu}, {"triangle", shapeTri}};
constexpr Lines modulationOffLines{"MODUL OFF"};
// Modulation and sweep off, then the mode. The trigger source stays as it is.
constexpr Lines modeLines{"MODUL OFF", "SWE OFF"};
constexpr Lines cont{"MODE CONT"}, trig{"MODE TRIG"}, gate{"MODE GATE"}, burst{"MODE BURS"};
constexpr Option modes[] = {
    {"continuous", cont}, {"triggered", trig}, {"gate", gate}, {"burst", burst}};
constexpr Lines internal{"TRIG INT"}, external{"TRIG EXT"};
constexpr Option sources[] = {{"int", internal}, {"ext", external}};

} // namespace

namespace commands {
const Command linearSweep{.name = "linear-sweep", .lines = linearSweepLines};
const Command logSweep{.name = "log-sweep", .lines = logSweepLines};
const Command sweepOff{.name = "sweep-off", .lines = sweepOffLines};
const Command modulation{.name = "modulation", .lines = modulationLines, .options = modulations};
const Command modulationShape{.name = "mod-shape", .lines = {}, .options = shapes};
const Command modulationOff{.name = "modulation-off", .lines = modulationOffLines};
const Command mode{.name = "trigger-mode", .lines = modeLines, .options = modes};
// Judged by the mode as shown, in any letter case ("CONT" from the status reading).
const Command triggerSource{.name = "trigger-source",
                            .lines = {},
                            .options = sources,
                            .refusedInMode = "cont",
                            .refusal = 11};
} // namespace commands

std::span<const Command* const> allCommands() {
    using namespace commands;
    static constexpr const Command* all[] = {&linearSweep, &logSweep,        &sweepOff,
                                             &modulation,  &modulationShape, &modulationOff,
                                             &mode,        &triggerSource};
    return all;
}

QList<Choice> choicesOf(const Command& command) {
    QList<Choice> all;
    for (std::size_t i = 0; i < command.options.size(); ++i)
        all << Choice{&command, int(i)};
    return all;
}

QString answerAfter(const Choice& choice, const char* keyword) {
    QStringList arguments;
    const auto take = [&](std::span<const char* const> lines) {
        for (const char* line : lines) {
            if (QString::fromLatin1(line).section(QLatin1Char(' '), 0, 0) == QLatin1String(keyword))
                arguments << argumentOf(line);
        }
    };
    take(choice.command->lines);
    if (choice.option >= 0 && choice.option < static_cast<int>(choice.command->options.size()))
        take(choice.command->options[static_cast<std::size_t>(choice.option)].lines);
    return arguments.join(QLatin1Char(' '));
}

std::span<const Setting* const> allSettings() {
    using namespace settings;
    static constexpr const Setting* all[] = {
        &frequency, &amplitude,           &offset, &sweepStart, &sweepStop,
        &sweepRate, &modulationFrequency, &depth,  &deviation,  &triggerRate};
    return all;
}

const Setting* findSetting(const QString& name) {
    for (const Setting* s : allSettings()) {
        if (name == QLatin1String(s->name))
            return s;
    }
    return nullptr;
}

const Unit* Setting::unit(const QString& name) const {
    for (const Unit& u : units) {
        if (name == QLatin1String(u.name))
            return &u;
    }
    return nullptr;
}

Result guarded(const std::function<Result()>& body) {
    try {
        return body();
    } catch (const ConnectionLost&) {
        return {Result::Kind::LinkLost, 0, {}, {}};
    } catch (const OperationFailed& failure) {
        if (failure.query.isEmpty())
            throw;
        return Result::noAnswer(failure.query);
    }
}

QString ask(Exchange& link, const QString& query, bool trim) {
    link.processEcho(query);
    const QString reply = link.readReceived();
    return trim ? trimBlanks(reply) : reply;
}

modVariables::Decoded readBack(Exchange& link, modVariables& vars, const ReadBack& r,
                               Result::Answer& answer) {
    const QString reply = ask(link, QString::fromLatin1(r.query));
    answer.reply = firstLine(reply);
    const bool level = r.decoding == Decoding::Level;
    const modVariables::Decoded result =
        level ? vars.decodeLevelReply(reply) : vars.decodeFrequencyReply(reply);
    if (result != modVariables::Decoded::Ok)
        return result;
    answer = level ? Result::Answer{vars.levelText, {}, answer.reply}
                   : Result::Answer{vars.freqDisplay, vars.freqUnit, answer.reply};
    if (r.records)
        vars.*r.records = parseNumber(level ? vars.levelText : vars.freqHzText);
    return result;
}

Range accepted(modVariables& vars, const Setting& s) {
    const Range range = s.limits.from ? s.limits.from(vars) : s.limits.fixed;
    if (!s.rule.bounds)
        return range;
    const Range rule = s.rule.bounds(vars);
    return {std::max(range.lowest, rule.lowest), std::min(range.highest, rule.highest)};
}

Result check(modVariables& vars, const Setting& s, const Unit& unit, const QString& typed,
             double* value) {
    const Range range = s.limits.from ? s.limits.from(vars) : s.limits.fixed;
    const auto number = parseNumber(typed);
    *value = number ? *number * unit.factor : 0;
    // A number too large for a double after conversion is out of range too.
    if (!number || !(*value <= range.highest && *value >= range.lowest))
        return Result::refused(s.code);
    if (s.rule.holds && !s.rule.holds(*value, vars))
        return Result::refused(s.rule.code);
    return {};
}

Result apply(Exchange& link, modVariables& vars, const Setting& s, const Unit& unit,
             const QString& typed, const std::function<void()>& sending) {
    return guarded([&] {
        if (s.asks.query) {
            if (sending)
                sending();
            const QLatin1String expected(s.asks.expected);
            if (ask(link, QString::fromLatin1(s.asks.query)).left(expected.size()) != expected)
                return Result::refused(s.asks.code);
        }
        double value = 0;
        if (const Result r = check(vars, s, unit, typed, &value); r.kind != Result::Kind::Done)
            return r;
        if (!s.asks.query && sending)
            sending();
        link.processEcho(QLatin1String(s.line) + typed + QLatin1String(unit.suffix));
        vars.sent[QLatin1String(s.name)] = typed + QLatin1String(unit.name);
        Result done;
        if (s.readBack.query &&
            readBack(link, vars, s.readBack, done.answer) != modVariables::Decoded::Ok)
            return Result::noAnswer(QString::fromLatin1(s.readBack.query));
        return done;
    });
}

Result check(const modVariables& vars, const Command& c) {
    if (c.refusedInMode &&
        vars.mode.compare(QLatin1String(c.refusedInMode), Qt::CaseInsensitive) == 0)
        return Result::refused(c.refusal);
    return {};
}

Result choose(Exchange& link, modVariables& vars, const Command& c, int option) {
    if (const Result r = check(vars, c); r.kind != Result::Kind::Done)
        return r;
    return guarded([&] {
        for (const char* line : c.lines)
            link.processEcho(QString::fromLatin1(line));
        if (option >= 0 && option < static_cast<int>(c.options.size())) {
            const Option& o = c.options[static_cast<size_t>(option)];
            for (const char* line : o.lines)
                link.processEcho(QString::fromLatin1(line));
            vars.sent[QLatin1String(c.name)] = QLatin1String(o.name);
        }
        // The next check sees the mode these lines chose, as the generator words it.
        if (const QString mode = answerAfter({&c, option}, "MODE"); !mode.isEmpty())
            vars.mode = mode;
        return Result{};
    });
}

Result selectWaveform(Exchange& link, modVariables& vars, const Waveform& waveform,
                      const std::function<void()>& sent) {
    return guarded([&] {
        link.processEcho(QString::fromLatin1(waveform.line));
        vars.waveShape = QString::fromLatin1(waveform.shape);
        if (sent)
            sent();
        Result done;
        if (readBack(link, vars, readBacks::outputFrequency, done.answer) !=
            modVariables::Decoded::Ok)
            return Result::noAnswer(QStringLiteral("FREQ?"));
        return done;
    });
}

const DutyLimits* dutyLimits(const QString& waveShape) {
    static constexpr DutyLimits square{{20, 80}, 2'000'000};
    static constexpr DutyLimits ramp{{1, 99}, 200'000};
    if (waveShape == QLatin1String("square"))
        return &square;
    return waveShape == QLatin1String("ramp") ? &ramp : nullptr;
}

Result checkDuty(const modVariables& vars, const QString& typed) {
    if (vars.waveShape == QLatin1String("sine"))
        return Result::refused(9);
    const DutyLimits* limits = dutyLimits(vars.waveShape);
    if (!limits)
        return {};
    // The output frequency as last read back; until one is known the test waits.
    if (vars.outputFrequencyHz && *vars.outputFrequencyHz > limits->highestFrequencyHz)
        return Result::refused(10);
    const auto value = parseNumber(typed);
    if (!value || *value > limits->percent.highest || *value < limits->percent.lowest)
        return Result::refused(7);
    return {};
}

Result setDuty(Exchange& link, modVariables& vars, const QString& typed) {
    if (const Result r = checkDuty(vars, typed); r.kind != Result::Kind::Done)
        return r;
    // A waveform of no duty cycle known: nothing to send.
    if (!dutyLimits(vars.waveShape))
        return {};
    return guarded([&] {
        link.processEcho(QStringLiteral("DCYC ") + typed);
        vars.sent[QStringLiteral("duty")] = typed + QLatin1Char('%');
        return Result{};
    });
}

// The count comes first; the output frequency as last read back by "FREQ?" follows,
// and waits until one is known.
Result checkBurst(const modVariables& vars, const QString& typed) {
    const auto cycles = parseNumber(typed);
    if (!cycles || *cycles > burstCycles.highest || *cycles < burstCycles.lowest)
        return Result::refused(7);
    if (vars.outputFrequencyHz && *vars.outputFrequencyHz > highestBurstFrequencyHz)
        return Result::refused(12);
    return {};
}

std::optional<bool> outputState(const QString& answer) {
    // A line end after the number does not matter.
    const auto n = parseNumber(answer.trimmed());
    if (n == 1.0 || n == 0.0)
        return *n == 1.0;
    return std::nullopt;
}

Result switchOutput(Exchange& link, bool on) {
    return guarded([&] {
        link.processEcho(on ? QStringLiteral("OUT ON") : QStringLiteral("OUT OFF"));
        const QString reply = trimBlanks(firstLine(ask(link, QStringLiteral("OUT?"), false)));
        const std::optional<bool> state = outputState(reply);
        if (!state)
            return Result::noAnswer(QStringLiteral("OUT?"));
        Result done;
        done.answer = {*state ? QStringLiteral("1") : QStringLiteral("0"), {}, reply};
        return done;
    });
}

} // namespace kx
