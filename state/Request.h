#pragma once

#include "state/Settings.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <span>

namespace kx {

// The request language: what the generator is asked to do, as an operator names it on
// kx-ctl's command line or in a run file, with the checks that need no generator: one
// value word, units exactly as the setting takes them, send's line printable ASCII.

// How a name of `set` takes its value.
enum class Kind {
    Value,    // a number and one of the setting's units (state/Settings.h)
    Choice,   // a word that chooses fixed lines
    Waveform, // sine, square, ramp
    Output,   // on, off
    Duty,     // a number, percent
    Burst,    // a number of cycles, only checked
};

// A word of a choice and the lines it sends: a command and its option (-1: none); for
// the waveform and the output, no command and the waveform's index or the state (1 on).
struct Word {
    QString word;
    const Command* command = nullptr;
    int option = -1;
};

// A name `set` knows, and what its check needs to know of the generator. Every setting
// of Settings.h is one, under its own name, with its units.
struct Name {
    const char* name;
    Kind kind;
    Facts needs;
    const char* help;
    // The status reads it back; setting it does not.
    bool inStatus = false;
    const Setting* setting = nullptr; // Value
    QList<Word> (*words)() = nullptr; // Choice, Waveform, Output
};

std::span<const Name> names();
const Name* findName(const QString& name);
// The words a Choice, Waveform or Output name takes, in order.
QList<Word> words(const Name& name);
// The word of the name `name` for what the generator reports; `otherwise` when it has none.
QString wordOf(const char* name, const std::optional<Choice>& choice,
               const QString& otherwise = {});
// Whether the connected `model` takes `word`: a modulating shape must be one of its own.
bool offered(const QString& model, const Word& word);
// Refused, in words, when the connected `model` does not take `word`.
Result checkOffered(const QString& model, const Word& word);
// The units a Value name takes, as typed ("Hz", "kHz", "MHz").
QStringList units(const Name& name);

enum class Verb {
    Ports,
    Identify,
    Status,
    Limits,
    Set,
    Save,
    Recall,
    Factory,
    Run,
    Send,
    SaveSetup
};

struct Request {
    Verb verb = Verb::Status;
    QString text; // the command as given, words joined by one blank
    const Name* name = nullptr;
    const Unit* unit = nullptr; // Value: the unit of name->setting it is typed in
    Word word;                  // Choice, Waveform, Output: the one of words(*name)
    QString typed;              // a number as typed; Send: the line; Run: the file
    // What the checks need to know of the generator first.
    Facts needs = 0;
    bool needsPort = true;
};

// Why the command `words` (its name first) is no request; empty when it is one, made in
// `r`. A run file's line is split at blanks; `send` keeps the rest of its line as it is,
// given in `rest`.
QString parseRequest(const QStringList& words, Request* r, const QString& rest = {});

// A run file's request and the number of its line.
struct RequestLine {
    int number;
    Request request;
};

// The requests of a run file, one a line, "#" starting a comment, added to `lines`; every
// line is checked before any is carried out. Why the file cannot be run, naming the line
// ("4: why"), when a line is not a request, holds a control character (a CR before the LF
// ends the line as the LF does), or runs another file; empty when it can (and only then
// are `lines` of use).
QString parseRunFile(const QByteArray& text, QList<RequestLine>* lines);

} // namespace kx
