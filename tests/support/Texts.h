#pragma once

#include "kit/MessageBoxes.h"
#include "support/Instrument.h"

#include <QStringList>

namespace kxtest {

// The numbered refusal, as the operator reads it ("stop | Invalid Input | text"); code
// 0 is no box at all. The texts are written out here, apart from the program's own
// catalogue, so a changed word in either shows.
QStringList refusal(int code);

// The warning box the panel shows when an operation needs the port and none is open.
QStringList portNotOpenBox();

} // namespace kxtest
