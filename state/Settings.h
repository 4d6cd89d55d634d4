#pragma once

#include "state/modVariables.h"

#include <QString>

#include <functional>
#include <span>

namespace kx {

class Exchange;
struct Waveform;

// How an operation on the generator ended. An operation that ends with the program
// (ShuttingDown) or finds the port closed before it starts (PortNotOpen) throws instead.
struct Result {
    enum class Kind {
        Done,          // every line went; `answer` holds what was read back, if anything
        Refused,       // nothing more was sent; `code` is the refusal's number
        NoValidAnswer, // `query` got no answer it could use: nothing more was sent
        LinkLost,      // the line went away
    };
    // A decoded answer: the number as shown and its unit ("kHz"; empty for volts), and
    // the generator's answer it was read from, up to its line end, without the blanks
    // before it (a blank just before the line end stays).
    struct Answer {
        QString value;
        QString unit;
        QString reply = {};
    };

    Kind kind = Kind::Done;
    short code = 0;
    QString query;
    Answer answer;
    QString problem = {}; // Refused without a number (code 0): why, in words

    static Result refused(short code) { return {Kind::Refused, code, {}, {}}; }
    static Result refused(const QString& why) { return {Kind::Refused, 0, {}, {}, why}; }
    static Result noAnswer(const QString& query) { return {Kind::NoValidAnswer, 0, query, {}}; }
};

// What a check may need to know of the generator: the window takes it from its displays,
// a program without them asks the generator.
using Facts = unsigned;
namespace fact {
inline constexpr Facts model = 1;           // "*IDN?"
inline constexpr Facts waveform = 2;        // "FUNC?"
inline constexpr Facts outputFrequency = 4; // "FREQ?"
inline constexpr Facts amplitude = 8;       // "AMPL?"
inline constexpr Facts offset = 16;         // "OFFS?"
inline constexpr Facts mode = 32;           // "MODE?"
} // namespace fact

// An accepted range, both ends included, in the setting's base unit.
struct Range {
    double lowest;
    double highest;
};

// Where a setting's limits come from: fixed, or worked out when it is set.
struct Limits {
    constexpr Limits(double lowest, double highest) : fixed{lowest, highest} {}
    constexpr Limits(Range (*from)(modVariables&)) : fixed{0, 0}, from(from) {}
    Range fixed;
    Range (*from)(modVariables&) = nullptr;
};

// The connected model's frequency range for the current waveform.
Range frequencyLimits(modVariables& vars);

// A further rule the value (in the base unit) must pass, against what is known of the
// generator; refused with `code`.
struct Rule {
    bool (*holds)(double value, const modVariables& vars) = nullptr;
    short code = 0;
    // The range the rule leaves, where it is one.
    Range (*bounds)(const modVariables& vars) = nullptr;
};

// Asked of the generator before anything is decided: the answer to `query`, blanks
// trimmed, must begin with `expected`, or the setting is refused with `code`.
struct Precondition {
    const char* query = nullptr;
    const char* expected = nullptr;
    short code = 0;
};

// How an answer read back is decoded.
enum class Decoding { Frequency, Level };

// A query whose answer is decoded and, where `records` names one, kept in the shared
// state as a number in the base unit.
struct ReadBack {
    const char* query = nullptr; // nullptr: nothing is read back
    Decoding decoding = Decoding::Level;
    std::optional<double> modVariables::*records = nullptr;
};

namespace readBacks {
inline constexpr ReadBack outputFrequency{"FREQ?", Decoding::Frequency,
                                          &modVariables::outputFrequencyHz};
inline constexpr ReadBack amplitude{"AMPL?", Decoding::Level, &modVariables::amplitudeV};
inline constexpr ReadBack offset{"OFFS?", Decoding::Level, &modVariables::offsetV};
} // namespace readBacks

// A unit a value may be typed in, and how the generator's line writes it.
struct Unit {
    const char* name;   // as the operator reads it: "kHz"
    double factor;      // to the setting's base unit
    const char* suffix; // after the number on the line: "KHZ"
};

// A value sent in one of its units, as the generator sees it.
struct Setting {
    const char* name; // what it sets: "frequency", "amplitude", ...
    std::span<const Unit> units;
    Limits limits;
    short code;       // refusal of a value outside the limits, or of text that is not a number
    const char* line; // the line's start: the value exactly as given and the unit's suffix follow
    ReadBack readBack{};
    Rule rule{};
    Precondition asks{};
    // What its checks need to know of the generator, and what it sets, in a few words.
    Facts needs = 0;
    const char* help = "";

    // The unit named `name`; nullptr when the setting takes none of that name.
    const Unit* unit(const QString& name) const;
};

// One of the items of a choice and the lines that choose it.
struct Option {
    const char* name;
    std::span<const char* const> lines;
};

// Fixed lines: always the same, or chosen by an option.
struct Command {
    const char* name;                   // the request that chooses an option, where it has options
    std::span<const char* const> lines; // always sent first, in order
    std::span<const Option> options{};  // then the chosen option's lines
    // Refused with `refusal` while the mode is this, letter case aside.
    const char* refusedInMode = nullptr;
    short refusal = 0;
};

namespace settings {
extern const Setting frequency, amplitude, offset, sweepStart, sweepStop, sweepRate;
extern const Setting modulationFrequency, depth, deviation, triggerRate;
} // namespace settings

namespace commands {
extern const Command linearSweep, logSweep, sweepOff;
extern const Command modulation, modulationShape, modulationOff;
extern const Command mode, triggerSource;
} // namespace commands

// Every command, in the order above.
std::span<const Command* const> allCommands();

// One way of the fixed lines: `command`, and its option `option` where it has options.
struct Choice {
    const Command* command = nullptr;
    int option = -1;
    bool operator==(const Choice&) const = default;
};
// The choices of each option of `command`, in order.
QList<Choice> choicesOf(const Command& command);
// What the generator answers to `keyword`'s query once `choice`'s lines are carried out:
// the arguments of its lines of that keyword, joined by a blank ("SWE LIN", "SWE ON":
// "LIN ON").
QString answerAfter(const Choice& choice, const char* keyword);

// The range a value of `setting` is accepted in, in its base unit, as `vars` knows the
// generator: its limits, narrowed by its rule where that is a range.
Range accepted(modVariables& vars, const Setting& setting);

// Every setting; the one named `name`, nullptr when there is none.
std::span<const Setting* const> allSettings();
const Setting* findSetting(const QString& name);

// The operations. `sending`, where given, is called once, just before the operation's
// first line goes out.

// Checks `typed`, in `unit`, against the setting's limits and rules as `vars` knows the
// generator, without asking it; `value` becomes the value in the base unit.
Result check(modVariables& vars, const Setting& setting, const Unit& unit, const QString& typed,
             double* value);
// Checks `typed`, in `unit`, against the setting's limits and rules (asking first where
// it must), sends it exactly as typed and reads it back.
Result apply(Exchange& link, modVariables& vars, const Setting& setting, const Unit& unit,
             const QString& typed, const std::function<void()>& sending = {});
// The duty cycle of the square wave and the symmetry of the ramp, percent, and the
// highest output frequency at which either may be set.
struct DutyLimits {
    Range percent;
    double highestFrequencyHz;
};
// Those of the waveform `waveShape`; nullptr for the sine, which has none.
const DutyLimits* dutyLimits(const QString& waveShape);

// A burst is this many cycles, at an output frequency up to highestBurstFrequencyHz.
inline constexpr Range burstCycles{1, 65535};
inline constexpr double highestBurstFrequencyHz = 1'000'000;

// Whether the command may be sent in the mode `vars` knows.
Result check(const modVariables& vars, const Command& command);
// Sends the command's lines and those of option `option`; none when it is out of range.
Result choose(Exchange& link, modVariables& vars, const Command& command, int option);
// Sends the waveform's line and records the waveform, whatever the generator made of it;
// `sent` is called once that line's pause is over. Then reads the output frequency
// back, since the generator brings it down to what the new waveform allows.
Result selectWaveform(Exchange& link, modVariables& vars, const Waveform& waveform,
                      const std::function<void()>& sent = {});
// The duty cycle of the square wave, the symmetry of the ramp: checked, then sent.
Result checkDuty(const modVariables& vars, const QString& typed);
Result setDuty(Exchange& link, modVariables& vars, const QString& typed);
// A burst count is only checked: the generator takes no line for it.
Result checkBurst(const modVariables& vars, const QString& typed);
// Switches the output and asks the generator; the answer is its "OUT?": "1" on, "0" off.
Result switchOutput(Exchange& link, bool on);
// An answer to "OUT?": 1 is on, 0 is off; anything else is no state at all.
std::optional<bool> outputState(const QString& answer);

// Sends `query` and returns its answer, blanks trimmed unless `trim` is false.
QString ask(Exchange& link, const QString& query, bool trim = true);
// Sends the read-back's query and decodes the answer (blanks trimmed) into `vars` and
// `answer`; nothing but `answer.reply` is written unless it decodes.
modVariables::Decoded readBack(Exchange& link, modVariables& vars, const ReadBack& r,
                               Result::Answer& answer);

// Runs `body`, turning a lost line and an unanswered question into their result.
Result guarded(const std::function<Result()>& body);

} // namespace kx
