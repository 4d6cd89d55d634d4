#pragma once

#include "state/Settings.h"

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
    std::optional<QString> sweep;            // "SWE?": the answer's first line
    std::optional<QString> modulation;       // "MODUL?": the answer's first line
    std::optional<bool> output;              // "OUT?": on or off
    // Done; NoValidAnswer naming the question that got no readable answer (the reading
    // ends there) or, at the end, those whose answers were not understood; LinkLost.
    Result result;
};

// Asks the eight questions, each answer read before the next is sent, and keeps what
// the checks need in `vars`: the waveform, the output frequency, the amplitude, the
// offset and the mode.
Status readStatus(Exchange& link, modVariables& vars);

} // namespace kx
