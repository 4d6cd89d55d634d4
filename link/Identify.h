#pragma once

#include <QString>

namespace kx {

class Exchange;

// What the generator says it is.
struct Identity {
    bool answered = false; // the answer to *IDN? had a line end
    QString line;          // its first line
    QString model;         // "KX" and the three characters after it; empty when none
};

// Sends *IDN? and finds the model in the first line of the answer, blanks trimmed.
// Throws what the exchange throws (LinkError.h).
Identity identify(Exchange& link);

} // namespace kx
