#pragma once

#include "state/Settings.h"
#include "state/Status.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <span>

namespace kxctl {

// What the generator is asked to do, as the operator names it on the command line.

// How a name of `set` takes its value.
enum class Kind {
    Value,    // a number and one of the setting's units (state/Settings.h)
    Choice,   // a word that chooses fixed lines
    Waveform, // sine, square, ramp
    Output,   // on, off
    Duty,     // a number, percent
    Burst,    // a number of cycles, only checked
};

// A word of a choice and the lines it sends: a command and its option (-1: none).
struct Word {
    QString word;
    const kx::Command* command;
    int option;
};

// A name `set` knows, and what its check needs to know of the generator.
struct Name {
    const char* name;
    Kind kind;
    kx::Facts needs;
    const char* help;
    // The status reads it back; setting it does not.
    bool inStatus = false;
};

std::span<const Name> names();
const Name* findName(const QString& name);
// The words a Choice, Waveform or Output name takes, in order.
QList<Word> words(const Name& name);
// The units a Value name takes, as typed ("Hz", "kHz", "MHz").
QStringList units(const Name& name);

enum class Verb { Ports, Identify, Status, Limits, Set, Save, Recall, Factory, Run, Send };

struct Request {
    Verb verb = Verb::Status;
    QString text; // the command as given, words joined by one blank
    const Name* name = nullptr;
    const kx::Setting* setting = nullptr; // Value: the setting and the unit it is typed in
    const kx::Unit* unit = nullptr;
    int word = -1; // Choice, Waveform, Output: into words(*name)
    QString typed; // a number as typed; Send: the line; Run: the file
    // What the checks need to know of the generator first.
    kx::Facts needs = 0;
    bool needsPort = true;
};

// The command `words` (its name first) as a request; empty, with `error` set, when the
// words do not make one. A run file's line is split at blanks; `send` keeps the rest of
// its line as it is, given in `rest`.
std::optional<Request> parse(const QStringList& words, QString* error, const QString& rest = {});

// Whether `text` is printable ASCII only.
bool isPrintable(const QString& text);

// The text of --help.
QString help();

} // namespace kxctl
