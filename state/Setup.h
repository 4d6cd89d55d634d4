#pragma once

#include "state/Request.h"
#include "state/Status.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

namespace kx {

class Exchange;

// A set-up on the computer is a run file of `set` requests: kx-ctl runs it, the panel
// opens it, and either writes one from the generator.

// What a set-up is written from: the status reading and the sweep's ends and the
// modulating frequency, all as the generator reports them.
struct SetupReading {
    Status status;
    std::optional<Result::Answer> sweepStart, sweepStop, modulationFrequency;
    Result result; // Done, or why the reading is not whole
};

// Reads the status, then "SWSTA?", "SWSTO?" and "MODFR?".
SetupReading readSetup(Exchange& link, modVariables& vars);

// The set-up file: comments naming the model, `when` and `program` (with this version),
// then the requests in the order that reproduces the generator's state: the waveform,
// the frequency and duty (the duty first where the frequency is above the highest for a
// variable duty cycle, which refuses one), the levels, then the trigger mode, or the
// sweep or the modulation that is on (choosing a mode switches both off, and either of
// them puts the generator into continuous mode), and the output last. What the generator does not
// report comes from `vars.sent`, marked "# sent, not read back"; what was not sent on
// this connection is named in a comment and left out.
QString writeSetup(const SetupReading& reading, const modVariables& vars, const QString& program,
                   const QDateTime& when);

// A line of a run file that the connected generator would refuse, and why.
struct RefusedLine {
    int number;
    QString request;
    Result result;        // Refused
    QString text() const; // "3: set frequency 20MHz: refused (5): Range error! ..."
};

// Checks the requests one after the other against `vars` (the model and what is known
// of the generator), each seeing the state the lines before it leave, and puts an
// amplitude and an offset that follow each other in the order that keeps the
// amplitude-offset rule at every step. After a line whose outcome cannot be foreseen
// (recall, factory, send) the rest is checked as it is carried out. `modulation` is the
// generator's modulation where known.
QList<RefusedLine> checkRunFile(QList<RequestLine>& lines, const modVariables& vars,
                                std::optional<Choice> modulation = std::nullopt);

// Carries out one request on the generator with the checks of the panel's operations:
// a `set` as its row or button does, save, recall and factory as the memory buttons
// do, send as a line as it is. A request that only asks (status, identify, limits,
// ports, save-setup) sends nothing here.
Result carryOut(Exchange& link, modVariables& vars, const Request& request);

} // namespace kx
