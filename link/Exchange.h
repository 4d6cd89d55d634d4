#pragma once

#include <QObject>
#include <QString>

namespace kx {

class Clock;
class SerialPort;

// The command exchange with the generator. Every line goes out through processEcho.
//
// A setting line is followed by a pause to the next whole-second tick, which gives the
// generator time to act on it: it has no flow control. A query (a line ending in '?')
// waits for its answer's CR and no longer, one second at most. Text is gathered only
// while a query waits; what arrives at any other time belongs to no question and is
// dropped, and an LF still in flight from the previous answer is skipped at the start
// of the next. So a late reply is never read as the answer to the next query.
//
// Failures are thrown (LinkError.h): PortNotOpen, ConnectionLost, ShuttingDown, and
// OperationFailed naming the query when a query gets no answer at all within its
// second: the operation ends there.
class Exchange : public QObject {
    Q_OBJECT
public:
    static constexpr int replyTimeoutMs = 1000;

    Exchange(SerialPort& port, Clock& clock, QObject* parent = nullptr);

    SerialPort& port() { return port_; }
    bool isOpen() const;
    // Opens the line to `device`; false when the port refused (see SerialPort::openError).
    bool open(const QString& device);
    void close();

    // Sends `command` and a CR, then pauses as described above.
    void processEcho(const QString& command);
    // The answer gathered by the last query, as text; empty once read.
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
    void onReadyRead();
    void onPortFailed();
    void checkUsable() const;
    void checkNotShutDown() const;

    SerialPort& port_;
    Clock& clock_;
    QByteArray answer_;
    bool gathering_ = false;
    bool lost_ = false;
    bool shutdown_ = false;
};

} // namespace kx
