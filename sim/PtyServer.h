#pragma once

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <deque>

namespace kxsim {

class Generator;

// How the simulated line misbehaves, if at all.
enum class Fault {
    None,
    Silent,     // carries out every line but never answers
    Late,       // answers 1.5 s after the query
    LowerCaseE, // writes numbers with a lower-case 'e'
    HangUp,     // closes the line after a number of received lines
    Echo,       // writes every received line back, as received, before acting on it
};

struct ServerOptions {
    int latencyMs = 0; // before each answer is written
    Fault fault = Fault::None;
    int hangUpAfter = 0; // lines, with Fault::HangUp
    FILE* log = nullptr; // every line received and every answer written, or none
};

// Serves one Generator on a pseudo-terminal. The slave side is set to raw mode and one
// descriptor of it stays open here, never read, so that the master sees no hang-up when
// a client closes its end: clients may close and reopen the device as often as they like.
class PtyServer {
public:
    static constexpr int lateAnswerMs = 1500;

    PtyServer(Generator& generator, ServerOptions options)
        : generator_(generator), options_(options) {}
    ~PtyServer() { close(); }
    PtyServer(const PtyServer&) = delete;
    PtyServer& operator=(const PtyServer&) = delete;

    // Creates the pseudo-terminal; false with `error` set on failure.
    bool open(QString* error);
    // The device a client opens, such as /dev/pts/5.
    QString slavePath() const { return slavePath_; }

    enum class End {
        Stopped, // a byte arrived on the stop descriptor
        HungUp,  // the hang-up fault: the line has been closed
        Failed,  // the pseudo-terminal failed
    };
    // Serves until `stopFd` becomes readable or the hang-up fault closes the line.
    End run(int stopFd);

private:
    struct Pending {
        qint64 dueMs; // on the monotonic clock
        QByteArray bytes;
        bool echo = false;  // an echoed line, not an answer
        qsizetype sent = 0; // of bytes, when the client's side was full
    };

    void takeInput(const QByteArray& bytes, qint64 nowMs);
    void writeDue(qint64 nowMs);
    void logLine(const char* direction, const QByteArray& line);
    void close();

    Generator& generator_;
    ServerOptions options_;
    int master_ = -1;
    int slave_ = -1; // held open, never read
    QString slavePath_;
    std::deque<Pending> pending_;
    bool hangUpDue_ = false;
};

// The link comN -> the pseudo-terminal in the folder where the panel looks for it
// (kx::PortMap's link folder), through which the panel finds the simulator as port N.
// Removed again on destruction, unless it no longer points at this simulator's device.
class PortLink {
public:
    PortLink() = default;
    ~PortLink();
    PortLink(const PortLink&) = delete;
    PortLink& operator=(const PortLink&) = delete;

    // Creates the link, and the folder if need be. A link that dangles, or that points
    // at `target` itself, is replaced; a link to another existing device, or anything
    // that is not a link, is left alone and refused.
    bool create(int port, const QString& target, QString* error);
    QString path() const { return path_; }

private:
    QString path_;
    QByteArray target_;
};

} // namespace kxsim
