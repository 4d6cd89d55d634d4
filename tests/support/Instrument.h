#pragma once

#include "link/Exchange.h"
#include "sim/Generator.h"
#include "state/Settings.h"
#include "state/modVariables.h"
#include "support/FakeClock.h"
#include "support/FakeSerialPort.h"

#include <QStringList>

#include <memory>
#include <utility>

namespace kxtest {

using Talk = QList<std::pair<QByteArray, QByteArray>>; // line sent, reply

// What comes back on a fake port: the simulated generator's replies, or a stated
// conversation, line sent by reply: each line written must be the next expected one;
// its reply (empty: none) comes back at once. A stated conversation checks itself: a
// line out of order, a wrong line, an extra line, or one never sent fails the test when
// the next conversation is stated, at check(), or when this goes, whichever comes first.
class Conversation {
public:
    Conversation(FakeSerialPort& port, kxsim::Generator& generator);
    ~Conversation();

    // Replies come from the simulated generator after `latencyMs`. It is strict: a line
    // it rejects (a control character, a byte outside ASCII, a number without the unit
    // its command needs) fails the test when this goes, unless the test made it lenient
    // (generator().setLenient(true)). generator().setEcho(true) makes it echo.
    void answerFromGenerator(int latencyMs = 0);
    void expect(const Talk& talk);
    bool done() const { return script_.isEmpty(); }
    // What went wrong so far (lines never sent included); empty when it went as stated.
    QStringList problems() const;
    // Fails the running test if the conversation did not go as stated, then forgets it.
    void check();
    // Fails the running test if the strict generator rejected a line.
    void checkNothingRejected();

    QStringList errors;

private:
    FakeSerialPort& port_;
    kxsim::Generator& generator_;
    Talk script_;
    bool scripted_ = false;
};

// The instrument layer on test doubles, no window: the exchange over a fake port to a
// simulated generator in-process, on a clock that does not sleep, and the shared state.
struct Instrument {
    explicit Instrument(const QString& model = QStringLiteral("KX25A"));

    std::unique_ptr<kxsim::Generator> generator;
    FakeClock clock;
    FakeSerialPort port{clock};
    kx::Exchange link{port, clock};
    kx::modVariables vars;
    Conversation talk{port, *generator};

    // Opens the line, identifies the generator and reads its status, as Connect does,
    // and forgets what that sent.
    void connect();
    // Lines written since the last call.
    QList<QByteArray> takeLines() { return std::exchange(port.lines, {}); }
};

// Entry texts that are not numbers, UTF-8: plain words, and numbers with a control
// character or a blank other than the space at an end (as a paste can bring them).
inline constexpr const char* notNumbers[] = {
    "",
    "abc",
    "1,5",
    "2x",
    "inf",
    "nan",
    "2V",
    "-",
    "1e999",
    "--1",
    "5\r",
    "\n5",
    "\t5",
    "5\xc2\xa0" /* no-break space */,
    "\xd9\xa5" /* Arabic-Indic 5 */,
};

// The unit of `s` named `unit`; the setting's first unit when `unit` is empty.
inline const kx::Unit& unitOf(const kx::Setting& s, const QString& unit = {}) {
    const kx::Unit* u = unit.isEmpty() ? &s.units.front() : s.unit(unit);
    if (!u)
        qFatal("%s takes no unit %s", s.name, qPrintable(unit));
    return *u;
}

// A result as one line, "done 0  1.5kHz [1.50000E+3]": its kind, the refusal's code, the
// question left unanswered, the value and unit read back, and the answer they came from.
QString describe(const kx::Result& r);

// A table of amplitude and offset settings: its columns, and a row of it: amplitude or
// offset, the text typed, the other value as shown, the refusal (0: accepted), and for an
// accepted value the answer read back and the value shown.
void levelColumns();
void levelRow(bool amplitude, const char* name, const char* text, const char* otherShown, int code,
              const char* reply = "", const char* shown = "");

// The reply form of the generator, with its line end.
inline QByteArray line(const char* text) { return QByteArray(text) + '\r'; }

} // namespace kxtest
