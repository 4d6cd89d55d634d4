#pragma once

#include "state/Settings.h"

#include <QMap>
#include <QStringList>

#include <optional>

namespace kx {

struct Waveform;

// The generator's main settings as eight questions answer them. An answer that was not
// understood, or not reached, is left empty.
struct Status {
    const Waveform* waveform = nullptr;      // "FUNC?"
    std::optional<Result::Answer> frequency; // "FREQ?": the output frequency
    std::optional<Result::Answer> amplitude; // "AMPL?"
    std::optional<Result::Answer> offset;    // "OFFS?"
    std::optional<QString> mode;             // "MODE?": as the generator words it, 4 characters
    std::optional<Choice> modeChoice; // the option of commands::mode it names, any letter case
    // "SWE?": linearSweep or logSweep, sweepOff for any other answer.
    std::optional<Choice> sweep;
    // "MODUL?": an option of commands::modulation, modulationOff for any other answer.
    std::optional<Choice> modulation;
    std::optional<bool> output; // "OUT?": on or off
    // Each question asked, by its query, and its answer as read: blanks trimmed, up to
    // its line end.
    QMap<QString, QString> answers;
    // Done; NoValidAnswer naming the question that got no readable answer (the reading
    // ends there) or, at the end, those whose answers were not understood; LinkLost.
    Result result;
};

// Asks the eight questions, each answer read before the next is sent, and keeps what
// the checks need in `vars`: the waveform, the output frequency, the amplitude, the
// offset and the mode.
Status readStatus(Exchange& link, modVariables& vars);

// Asks the generator for each of `facts`, in the order above, and keeps the answers in
// `vars` as Connect and the status reading do. Done; NoValidAnswer naming the query
// whose answer could not be used (nothing more is asked); LinkLost.
Result learn(Exchange& link, modVariables& vars, Facts facts);

} // namespace kx
