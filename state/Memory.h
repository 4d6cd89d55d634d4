#pragma once

#include "state/Settings.h"

#include <QString>

#include <optional>

namespace kx {

class Exchange;

// The generator's memory: a set-up saved in a location, recalled from it, or the
// factory set-up recalled.
enum class Store { Save, Recall, Factory };

// A memory location as the operator typed it, checked against a model: the location,
// or why the text is none, in the words the operator reads.
struct MemoryLocation {
    std::optional<int> location; // set exactly when problem is empty
    QString problem;
};

// Checks `text` as a memory location of `model`. A location is a whole number ("3",
// " 3 ", "3.0", "03" and "0.3e1" are all 3; "2.5" is no location) from 1 to the model's
// highest. With no model known there is no location at all.
MemoryLocation checkMemoryLocation(const QString& model, const QString& text);

// Sends the line of `store` ("*SAV " or "*RCL " and `location` in plain digits;
// "*RCL 0" for the factory set-up, whatever `location`) and waits out its pauses: Save
// and Recall one more second tick, for the generator to move its set-up. Checks
// nothing; the caller checks the location first and reads the status back after. After a
// recall, what was sent before (`vars.sent`) is no longer the generator's and is forgotten.
Result store(Exchange& link, modVariables& vars, Store store, int location = 0);

} // namespace kx
