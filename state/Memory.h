#pragma once

#include "state/Settings.h"

#include <QString>

namespace kx {

class Exchange;

// The generator's memory: a set-up saved in a location, recalled from it, or the
// factory set-up recalled.
enum class Store { Save, Recall, Factory };

// Why `text` is not a memory location of `model`, in the words the operator reads;
// empty when it is. With no model known there is no location at all.
QString memoryLocationProblem(const QString& model, const QString& text);

// Sends the line of `store` ("*SAV " or "*RCL " and `location` exactly as given,
// "*RCL 0") and waits out its pauses: Save and Recall one more second tick, for the
// generator to move its set-up. Checks nothing; the caller reads the status back.
Result store(Exchange& link, Store store, const QString& location = {});

} // namespace kx
