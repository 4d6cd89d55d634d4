#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QTextStream;

namespace kx {
class Clock;
class SerialPort;
} // namespace kx

namespace kxctl {

// The exit statuses.
enum Status {
    Done = 0,
    Refused = 1,  // by a check: nothing of the operation was sent
    Usage = 2,    // the command line or a run file's line
    Link = 3,     // no such port or device, in use, no permission, lost
    NoAnswer = 4, // no valid answer from the generator
    Output = 5,   // standard output could not be written: nothing more was sent
    // Stopped by signal n (SIGINT, SIGTERM, SIGHUP): 128 + n.
    Signalled = 128,
};

// A request to stop, from a signal: the line being written is finished, no further line
// goes out, and the port is closed.
class Stop : public QObject {
    Q_OBJECT
public:
    // The signal that asked, 0 until one has.
    int signal() const { return signal_; }
    void request(int signal) {
        if (signal_ == 0)
            signal_ = signal;
        emit requested();
    }

signals:
    void requested();

private:
    int signal_ = 0;
};

// What kx-ctl runs on: the real port, clock and streams in main(), test doubles in the
// tests.
struct Environment {
    kx::SerialPort& port;
    kx::Clock& clock;
    QTextStream& out;
    QTextStream& err;
    // The user's configuration directory for the comN links; empty: the usual one.
    QString configDir = {};
    // Whether port n's device opens; empty: the real probe.
    std::function<bool(int)> probe = {};
    // The text of a run file ("-": standard input); empty when it cannot be read.
    std::function<std::optional<QByteArray>(const QString& file)> read = {};
    // Writes a set-up file whole, or not at all; false when it cannot.
    std::function<bool(const QString& file, const QByteArray& text)> write = {};
    // Whether standard error is a terminal: a run then says there which line it is on.
    bool progress = false;
    // Where a request to stop comes from; none: nothing asks.
    Stop* stop = nullptr;

    // The signal that asked kx-ctl to stop, 0 for none.
    int stopSignal() const { return stop ? stop->signal() : 0; }
};

// Runs kx-ctl with `arguments` (the program's name left out) and returns its exit
// status.
int run(const QStringList& arguments, Environment& env);

} // namespace kxctl
