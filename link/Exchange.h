#pragma once

#include <QObject>
#include <QString>

namespace kx {

class Clock;
class SerialPort;

// The command exchange with the generator. Every line goes out through processEcho.
//
// A setting line is followed by a pause to the next whole-second tick, which gives the
// generator time to act on it. A query (a line ending in '?') first throws away any
// text left in the receive buffer, then waits until its reply line has arrived (its CR,
// and an LF following within a few milliseconds) or one full second has passed. So a
// late reply is never read as the answer to the next query.
//
// Failures are thrown (LinkError.h): PortNotOpen, ConnectionLost, ShuttingDown.
class Exchange : public QObject {
    Q_OBJECT
public:
    static constexpr int replyTimeoutMs = 1000;
    static constexpr int lineFeedGraceMs = 5;
    static constexpr qsizetype maxBuffered = 64 * 1024;

    Exchange(SerialPort& port, Clock& clock, QObject* parent = nullptr);

    SerialPort& port() { return port_; }
    Clock& clock() { return clock_; }
    bool isOpen() const;
    // Opens the line to `device`; false when the port refused (see SerialPort::openError).
    bool open(const QString& device);
    void close();

    // Sends `command` and a CR, then pauses as described above.
    void processEcho(const QString& command);
    // Everything received since the last read, as text.
    QString readReceived();
    // Pauses to the n-th whole-second tick; 0 returns at once.
    void delaySeconds(int n);

    // The loss of the line has been reported to the operator.
    void clearLoss() { lost_ = false; }
    bool wasLost() const { return lost_; }

    // The program is ending: any pause ends now and nothing more is sent.
    void shutdown();
    bool isShutDown() const { return shutdown_; }

signals:
    // The open port failed (read, write or resource error) and has been closed.
    void connectionLost();

private:
    void onPortFailed();
    void checkUsable() const;
    void checkNotShutDown() const;
    bool replyComplete() const;

    SerialPort& port_;
    Clock& clock_;
    QByteArray buffer_;
    bool lost_ = false;
    bool shutdown_ = false;
};

} // namespace kx
