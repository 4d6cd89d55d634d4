#pragma once

#include "state/Settings.h"

#include <QString>
#include <QStringList>

namespace kx {

class Exchange;

// The generator's own language as a program on the network writes it: which line is one
// of its queries, and which setting or command a line carries. Keywords and units are
// read in any letter case, blanks between the keyword and its value may be several, and
// a number may stand apart from its unit; the line that goes out is the one the panel
// sends for the same setting.

// Every query the instrument layer asks of the generator: the identification, the eight
// questions of the status reading, and each setting's read-back and precondition.
const QStringList& generatorQueries();
// `line` as one of those, letter case and blanks at either end aside, written as the
// generator is asked it ("freq?" -> "FREQ?"); empty when it is none.
QString knownQuery(const QString& line);

// What a line carries.
struct WireLine {
    enum class Kind {
        Unknown,   // no line of the generator's language
        Malformed, // a known keyword with no value, or a unit its setting does not take
        Value,     // a setting: `setting`, a number `typed` and `unit`
        Fixed,     // a line of `command` (of its option `option`, where one holds it)
        Waveform,  // `index` into waveforms
        Output,    // `index` 1 on, 0 off
        Duty,      // the duty cycle or symmetry `typed`, percent
        Save,      // the set-up into location `typed`
        Recall,    // the set-up from location `typed`
        Factory,   // the factory set-up: "*RCL 0"
    };
    Kind kind = Kind::Unknown;
    QString problem = {}; // Malformed: why, in words
    const Setting* setting = nullptr;
    const Unit* unit = nullptr;
    QString typed = {};
    const Command* command = nullptr;
    int option = -1;
    int index = -1;
    // What its checks need to know of the generator first.
    Facts needs = 0;
    // The line as the panel sends it ("FREQ 2.5KHZ").
    QString line = {};
};

// Reads `line` (printable ASCII, without its line end). A number in the setting's base
// unit may leave the unit out ("FREQ 1000" is "FREQ 1000HZ"); a setting without one
// (the sweep's rate is in seconds) takes the base unit's suffix all the same.
WireLine readWireLine(const QString& line);

// Carries out `w` with the panel's checks, against the generator's present state: what
// they need is asked first (learn), the depth and the deviation ask which modulation
// runs, and a value, a fixed line, a duty cycle and a memory location are checked as the
// panel checks them. Refused or NoValidAnswer: nothing of `w` was sent. Done: its line
// went out (a memory line with its pause). A duty cycle on a waveform of none is done
// with nothing sent, as the panel does it.
Result relay(Exchange& link, modVariables& vars, const WireLine& w);

} // namespace kx
