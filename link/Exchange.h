#pragma once

#include <QObject>
#include <QString>

#include <functional>

namespace kx {

class Clock;
class SerialPort;
class Traffic;

// The command exchange with the generator. Every line goes out through processEcho.
//
// What it guarantees:
// - Whatever the port holds when it opens came before the first line and answers
//   nothing: it is dropped (the port itself discards its input queue as it opens).
// - A setting line is followed by a pause to the next whole-second tick of the wall
//   clock, which gives the generator time to act on it: it has no flow control.
// - A query (a line ending in '?') waits for its answer's CR and no longer, one second
//   at most. An answer whose CR has not come within that second is unanswered, whatever
//   part of it came: the query throws OperationFailed naming it, and the operation ends.
// - Text is gathered only while a query waits; what arrives at any other time belongs
//   to no question and is dropped, and an LF still in flight from the previous answer
//   is skipped at the start of the next.
// - After an unanswered query, the next line goes out only once the line has been quiet
//   for quietMs, counted from the verdict and from the last byte that came since, and
//   once a line begun (before the verdict or since) has ended with its CR; at most
//   settleLimitMs after the next line was due. Everything that arrives meanwhile is
//   dropped. So an answer that comes up to half a second after its query was given up,
//   whole or in pieces, is never read as the next query's answer.
// - A received line identical to the line just sent, or to the setting line sent just
//   before a query, is an echo (some generators and adapters echo): it is skipped and
//   the wait goes on.
// So an answer is only ever read as the answer to its own query.
//
// The answer's time-out, the quiet spell and the settling limit run on the clock's
// steady time, so setting the wall clock (a time server's step) neither stretches nor
// cuts them.
//
// Failures are thrown (LinkError.h): PortNotOpen, ConnectionLost, ShuttingDown, and
// OperationFailed naming the query when a query goes unanswered.
class Exchange : public QObject {
    Q_OBJECT
public:
    static constexpr int replyTimeoutMs = 1000;
    // How long the line must have been quiet after an unanswered query before the next
    // line goes out: half a second for a late answer, and 100 ms more for one the event
    // loop or a USB adapter (which holds bytes up to 16 ms) hands over late.
    static constexpr int quietMs = 600;
    // The longest that wait may take: a late answer's last byte half a second after the
    // verdict still gets its whole quiet spell, with 100 ms for the answer itself.
    static constexpr int settleLimitMs = 1200;

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

    // Every line sent and everything received goes to `traffic` too, from now on, and
    // so does each opening and closing of the port.
    void setTraffic(Traffic* traffic) { traffic_ = traffic; }

    // Lines sent another way than processEcho (a server relaying a client's lines) left
    // a query unanswered; `lineOpen`: part of an answer came. The next line waits for the
    // line to settle, as after an unanswered query of its own.
    void leftUnanswered(bool lineOpen);
    // Waits now for what an unanswered query left to settle, if one did.
    void settlePending() {
        if (unsettled_)
            settle();
    }

    // The program is ending: any pause ends now and nothing more is sent.
    void shutdown();
    bool isShutDown() const { return shutdown_; }

signals:
    // The open port failed (read, write or resource error) and has been closed.
    void connectionLost();
    // A pause begins (true) or ends (false): the window lets events through meanwhile.
    void pausing(bool on);

private:
    void onReadyRead();
    void onPortFailed();
    // Closes the port, and the traffic record's session with it.
    void closePort();
    void checkUsable() const;
    // Drops the echoes and a leading LF from the front of the answer being gathered.
    void skipEchoes();
    // After an unanswered query: waits for the line to settle before the next line.
    void settle();
    void forget();
    // Clock::wait, ended early by a lost line or the program's end; then checkUsable.
    void pause(qint64 ms, const std::function<bool()>& done = {});

    SerialPort& port_;
    Clock& clock_;
    Traffic* traffic_ = nullptr;
    QByteArray answer_;
    bool gathering_ = false;
    bool lost_ = false;
    bool shutdown_ = false;
    // The lines whose echo is skipped: the one just sent and the one before it.
    QByteArray sent_;
    QByteArray sentBefore_;
    // A query went unanswered; what it left on the line has not settled yet.
    bool unsettled_ = false;
    bool lateLineOpen_ = false; // text came after the last CR (an LF aside)
    qint64 lastArrival_ = 0;    // when anything last came, on steady time
    quint64 arrivals_ = 0;
};

// An answer up to its line end, its first CR; all of it when it has none.
QString firstLine(const QString& answer);

} // namespace kx
