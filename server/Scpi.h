#pragma once

#include "server/Station.h"

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>

#include <deque>
#include <map>
#include <memory>
#include <optional>

class QTcpServer;

namespace kx {
struct WireLine;
}

namespace kxserver {

// A network and the number of leading bits that name it: who may connect.
using Subnet = QPair<QHostAddress, int>;

// "ADDRESS[/BITS]", IPv4 or IPv6 ("192.168.1.0/24", "fd00::/8", "10.0.0.7"); without bits,
// the address alone. Nothing, and `why`, for any other text.
std::optional<Subnet> parseAllow(const QString& text, QString* why);

// Where to listen: "[ADDRESS:]PORT", an IPv6 address in brackets ("[::1]:5025"), the
// loopback address when none is given. Nothing, and `why`, for any other text.
struct ListenAt {
    QHostAddress address;
    quint16 port = 0;
};
std::optional<ListenAt> parseListen(const QString& text, QString* why);

struct ScpiOptions {
    QList<Subnet> allow; // who may connect; empty: everyone
    int maxClients = 8;  // local and network clients together, as kx-server counts them
    // A script that waits for each answer stays under this even against the simulator on
    // a pseudo-terminal (one such client came to about 1000 a second, and was cut off at
    // a bound of 1000); one that sends more is not waiting for anything. Lines that wait
    // unread are bounded apart from this.
    int maxLinesPerSecond = 10000;
    int lockTimeoutMs = 60000; // Station::setLockTimeout
};

// A network client's bytes as lines. A line ends at LF; a CR right before the LF is
// dropped; blank lines (nothing, or blanks only) are skipped. A line longer than
// maxLineBytes, any byte outside printable ASCII but the line end, or more lines ended
// within one second than the bound is a violation: from then on nothing more is read.
class LineReader {
public:
    enum class Violation { None, TooLong, BadByte, TooFast };
    static constexpr int maxLineBytes = 256;

    explicit LineReader(int maxLinesPerSecond) : maxLinesPerSecond_(maxLinesPerSecond) {}

    // Takes `bytes` that came at `nowMs` (steady time): each whole line that is not blank
    // is added to `lines`, without its line end. Returns the violation, if any, now or
    // before.
    Violation take(const QByteArray& bytes, qint64 nowMs, QList<QByteArray>* lines);
    Violation violation() const { return violation_; }

private:
    int maxLinesPerSecond_;
    QByteArray partial_;
    bool cr_ = false;          // the last byte was a CR
    std::deque<qint64> ended_; // when the lines of the last second ended
    Violation violation_ = Violation::None;
};

// What a client is told, LF included, before it is disconnected for `v`.
QByteArray violationLine(LineReader::Violation v);

// The network side of the server: plain text lines over TCP, as instrument sockets speak
// them. Each client's lines are handled one at a time in the order they came; a line
// that needs the generator is a job of the station, and the client's next line waits
// for it, so its answers come in the order of its queries, one LF-ended line each.
//
// - "*IDN?" is answered with the generator's identification; every query of the
//   generator's language (kx::generatorQueries) goes to the generator and its answer's
//   first line back; an unanswered one is answered with an empty line and an error.
// - A setting line is read with the instrument layer's knowledge (kx::readWireLine) and
//   carried out with the panel's checks (kx::relay), only while the client holds the
//   lock. What is refused or not understood is not sent; the client finds why in its
//   error queue ("SYST:ERR?").
// - "SYST:LOCK:REQ?", "SYST:LOCK:REL", "SYST:LOCK:OWN?" ask for, release and look at the
//   lock (keywords in any case, short or long: SYSTEM, ERROR, REQUEST, RELEASE, OWNER).
// - A client outside the allow-list, or beyond the most clients, is closed at once; one
//   that breaks the line rules (LineReader) is told once and disconnected.
class ScpiServer : public QObject {
    Q_OBJECT
public:
    static constexpr int errorQueueSize = 20;
    // Lines a client may have waiting for its earlier ones to be done.
    static constexpr int maxWaitingLines = 1000;

    ScpiServer(Station& station, const ScpiOptions& options, QObject* parent = nullptr);
    ~ScpiServer() override;

    // Listens on `address` and `port` (0: any free port); false, and `why`, when it cannot.
    bool listen(const QHostAddress& address, quint16 port, QString* why);
    // The port listened on.
    quint16 port() const;
    // Every client is told `why` in an error line and disconnected, and no more are
    // taken: the generator is gone, or the server is ending.
    void closeAll(const QString& why);
    int clientCount() const { return int(clients_.size()); }
    // Lines taken from the clients so far, blank ones aside.
    qint64 linesRead() const { return linesRead_; }

private:
    struct Client;

    void onNewConnection();
    void onReadyRead(ClientId id);
    void onDisconnected(ClientId id);
    // Handles the client's waiting lines until one needs the generator.
    void pump(ClientId id);
    // Handles one line; false when it queued a job, which pumps again when done.
    bool handle(Client& c, const QString& line);
    bool handleSystem(Client& c, const QString& header, const QString& line);
    void queueQuery(Client& c, const QString& query);
    void queueSetting(Client& c, const kx::WireLine& w);
    void jobDone(ClientId id);
    void answer(Client& c, const QString& text);
    void pushError(Client& c, int code, const QString& text);
    // Tells the client `last` and disconnects it; `why` goes to the log.
    void drop(Client& c, const QByteArray& last, const QString& why);
    void reap(ClientId id);
    Client* find(ClientId id);
    bool allowed(const QHostAddress& peer) const;
    void onLockChanged(ClientId holder, const QString& why);

    Station& station_;
    ScpiOptions options_;
    QTcpServer* server_;
    std::map<ClientId, std::unique_ptr<Client>> clients_;
    ClientId lockHolder_ = 0; // the network client that holds the lock, 0: none of ours
    bool closed_ = false;
    qint64 linesRead_ = 0;
};

} // namespace kxserver
