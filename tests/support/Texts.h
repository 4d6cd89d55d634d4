#pragma once

#include "app/MessageBoxes.h"

#include <QStringList>

namespace kxtest {

// The numbered refusal, as the operator reads it ("stop | Invalid Input | text"); code
// 0 is no box at all. The texts are written out here, apart from the program's own
// catalogue, so a changed word in either shows.
QStringList refusal(int code);

// Entry texts that are not numbers, UTF-8: plain words, and numbers with a control
// character or a blank other than the space at an end (as a paste can bring them).
inline constexpr const char* notNumbers[] = {
    "",
    "abc",
    "1,5",
    "2x",
    "inf",
    "1e999",
    "--1",
    "5\r",
    "\n5",
    "\t5",
    "5\xc2\xa0" /* no-break space */,
    "\xd9\xa5" /* Arabic-Indic 5 */,
};

// The warning box the panel shows when an operation needs the port and none is open.
QStringList portNotOpenBox();

} // namespace kxtest
