#include "server/Scpi.h"

#include "link/Clock.h"
#include "link/LinkError.h"
#include "server/Log.h"
#include "state/Refusals.h"
#include "state/Wire.h"

#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>

namespace kxserver {

namespace {

// The words of an error line: double quotes inside doubled, as a string of the language.
QString errorText(int code, const QString& text) {
    return QStringLiteral("%1,\"%2\"")
        .arg(code)
        .arg(QString(text).replace(QLatin1Char('"'), QStringLiteral("\"\"")));
}

QByteArray errorLine(int code, const QString& text) {
    return errorText(code, text).toLatin1() + '\n';
}

// An address as the network sees it: an IPv4 client of a socket that listens on both
// kinds of address comes as ::ffff:a.b.c.d, and is a.b.c.d.
QHostAddress plain(const QHostAddress& address) {
    bool v4 = false;
    const quint32 ip = address.toIPv4Address(&v4);
    return v4 ? QHostAddress(ip) : address;
}

QString nameOf(const QTcpSocket& socket) {
    const QHostAddress a = plain(socket.peerAddress());
    const QString address = a.protocol() == QAbstractSocket::IPv6Protocol
                                ? QStringLiteral("[%1]").arg(a.toString())
                                : a.toString();
    return QStringLiteral("%1:%2").arg(address).arg(socket.peerPort());
}

// Whole digits only, up to `highest`.
std::optional<int> wholeNumber(const QString& text, int highest) {
    static const QRegularExpression digits(QStringLiteral("\\A[0-9]{1,6}\\z"));
    if (!digits.match(text).hasMatch() || text.toInt() > highest)
        return std::nullopt;
    return text.toInt();
}

// An address written in full: four dotted numbers, or IPv6 (QHostAddress alone would
// also take "10.1" for 10.0.0.1).
std::optional<QHostAddress> addressOf(const QString& text) {
    static const QRegularExpression v4(QStringLiteral("\\A[0-9]{1,3}(\\.[0-9]{1,3}){3}\\z"));
    QHostAddress a;
    if (!text.contains(QLatin1Char(':')) && !v4.match(text).hasMatch())
        return std::nullopt;
    if (!a.setAddress(text))
        return std::nullopt;
    return a;
}

// Text from the generator as one line: control characters, which would break a line, left out.
QString oneLine(const QString& text) {
    QString out = text;
    out.removeIf([](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7f; });
    return out;
}

// The SYSTEM subsystem's long keywords and their short forms.
QString shortForm(const QString& keyword) {
    static const std::pair<const char*, const char*> forms[] = {{"SYSTEM", "SYST"},
                                                                {"ERROR", "ERR"},
                                                                {"REQUEST", "REQ"},
                                                                {"RELEASE", "REL"},
                                                                {"OWNER", "OWN"}};
    for (const auto& [full, brief] : forms) {
        if (keyword == QLatin1String(full))
            return QLatin1String(brief);
    }
    return keyword;
}

} // namespace

std::optional<Subnet> parseAllow(const QString& text, QString* why) {
    const QString address = text.section(QLatin1Char('/'), 0, 0);
    const std::optional<QHostAddress> a = addressOf(address);
    if (!a) {
        *why = QStringLiteral("not an IPv4 or IPv6 address: %1").arg(address);
        return std::nullopt;
    }
    const int width = a->protocol() == QAbstractSocket::IPv4Protocol ? 32 : 128;
    if (!text.contains(QLatin1Char('/')))
        return Subnet{*a, width};
    const std::optional<int> bits = wholeNumber(text.section(QLatin1Char('/'), 1), width);
    if (!bits) {
        *why =
            QStringLiteral("the bits after / are a number from 0 to %1: %2").arg(width).arg(text);
        return std::nullopt;
    }
    return Subnet{*a, *bits};
}

std::optional<ListenAt> parseListen(const QString& text, QString* why) {
    QString address;
    QString port = text;
    if (text.startsWith(QLatin1Char('['))) {
        const qsizetype end = text.indexOf(QStringLiteral("]:"));
        if (end < 0) {
            *why = QStringLiteral("an address in brackets is followed by :PORT: %1").arg(text);
            return std::nullopt;
        }
        address = text.mid(1, end - 1);
        port = text.mid(end + 2);
        if (!address.contains(QLatin1Char(':'))) {
            *why = QStringLiteral("brackets are for an IPv6 address: %1").arg(text);
            return std::nullopt;
        }
    } else if (text.count(QLatin1Char(':')) == 1) {
        address = text.section(QLatin1Char(':'), 0, 0);
        port = text.section(QLatin1Char(':'), 1);
    } else if (text.contains(QLatin1Char(':'))) {
        *why = QStringLiteral("an IPv6 address goes in brackets, [::1]:5025: %1").arg(text);
        return std::nullopt;
    }
    ListenAt at{QHostAddress(QHostAddress::LocalHost), 0};
    if (!address.isNull()) {
        const std::optional<QHostAddress> a = addressOf(address);
        if (!a) {
            *why = QStringLiteral("not an IPv4 or IPv6 address: %1").arg(address);
            return std::nullopt;
        }
        at.address = *a;
    }
    const std::optional<int> number = wholeNumber(port, 65535);
    if (!number || *number == 0) {
        *why = QStringLiteral("the port is a number from 1 to 65535: %1").arg(port);
        return std::nullopt;
    }
    at.port = quint16(*number);
    return at;
}

LineReader::Violation LineReader::take(const QByteArray& bytes, qint64 nowMs,
                                       QList<QByteArray>* lines) {
    for (const char byte : bytes) {
        if (violation_ != Violation::None)
            break;
        const auto c = static_cast<unsigned char>(byte);
        if (c == '\n') {
            cr_ = false;
            while (!ended_.empty() && ended_.front() <= nowMs - 1000)
                ended_.pop_front();
            ended_.push_back(nowMs);
            if (int(ended_.size()) > maxLinesPerSecond_) {
                violation_ = Violation::TooFast;
                break;
            }
            if (partial_.count(' ') != partial_.size())
                lines->append(partial_);
            partial_.clear();
        } else if (cr_ || c < 0x20 || c > 0x7e) {
            // A CR only before the LF; nothing else outside printable ASCII.
            if (c == '\r' && !cr_)
                cr_ = true;
            else
                violation_ = Violation::BadByte;
        } else if (partial_.size() == maxLineBytes) {
            violation_ = Violation::TooLong;
        } else {
            partial_ += byte;
        }
    }
    return violation_;
}

QByteArray violationLine(LineReader::Violation v) {
    switch (v) {
    case LineReader::Violation::None:
        break;
    case LineReader::Violation::TooLong:
        return errorLine(-223, QStringLiteral("Too much data; a line is longer than %1 bytes")
                                   .arg(LineReader::maxLineBytes));
    case LineReader::Violation::BadByte:
        return errorLine(-101, QStringLiteral("Invalid character"));
    case LineReader::Violation::TooFast:
        return errorLine(-223, QStringLiteral("Too much data; too many lines a second"));
    }
    return {};
}

struct ScpiServer::Client {
    ClientId id;
    QString name;
    QTcpSocket* socket;
    LineReader reader;
    std::deque<QString> waiting = {}; // lines not handled yet, in order
    std::deque<QString> errors = {};  // the error queue, oldest first
    bool busy = false;                // a line of it is a job of the station
    bool closing = false;             // told why and being disconnected: nothing more is said
    bool gone = false;                // disconnected: dropped once its running job is over
};

ScpiServer::ScpiServer(Station& station, const ScpiOptions& options, QObject* parent)
    : QObject(parent), station_(station), options_(options), server_(new QTcpServer(this)) {
    station_.setLockTimeout(options_.lockTimeoutMs);
    connect(server_, &QTcpServer::newConnection, this, &ScpiServer::onNewConnection);
    connect(&station_, &Station::lockChanged, this, &ScpiServer::onLockChanged);
    connect(&station_, &Station::lost, this,
            [this] { closeAll(QStringLiteral("the line to the generator was lost")); });
}

ScpiServer::~ScpiServer() {
    for (const auto& [id, c] : clients_) {
        if (!c->gone)
            station_.leave(id);
    }
}

bool ScpiServer::listen(const QHostAddress& address, quint16 port, QString* why) {
    if (server_->listen(address, port))
        return true;
    *why = server_->errorString();
    return false;
}

quint16 ScpiServer::port() const { return server_->serverPort(); }

ScpiServer::Client* ScpiServer::find(ClientId id) {
    const auto it = clients_.find(id);
    return it == clients_.end() ? nullptr : it->second.get();
}

bool ScpiServer::allowed(const QHostAddress& peer) const {
    if (options_.allow.isEmpty())
        return true;
    const QHostAddress a = plain(peer);
    return std::any_of(options_.allow.begin(), options_.allow.end(),
                       [&](const Subnet& s) { return a.isInSubnet(s); });
}

void ScpiServer::onNewConnection() {
    while (QTcpSocket* socket = server_->nextPendingConnection()) {
        const QString name = nameOf(*socket);
        QString refused;
        if (closed_)
            refused = QStringLiteral("the server is closing");
        else if (!allowed(socket->peerAddress()))
            refused = QStringLiteral("not among the allowed addresses");
        else if (int(station_.clients().size()) >= options_.maxClients)
            refused = QStringLiteral("%1 clients already").arg(options_.maxClients);
        if (!refused.isEmpty()) {
            log(QStringLiteral("network: %1 refused: %2").arg(name, refused));
            socket->abort();
            socket->deleteLater();
            continue;
        }
        const ClientId id = station_.join(name);
        clients_.emplace(id, std::make_unique<Client>(
                                 Client{id, name, socket, LineReader(options_.maxLinesPerSecond)}));
        connect(socket, &QTcpSocket::readyRead, this, [this, id] { onReadyRead(id); });
        connect(socket, &QTcpSocket::disconnected, this, [this, id] { onDisconnected(id); });
        log(QStringLiteral("network: %1 connected").arg(name));
    }
}

void ScpiServer::onReadyRead(ClientId id) {
    Client* c = find(id);
    if (!c)
        return;
    const QByteArray bytes = c->socket->readAll();
    if (c->gone || c->closing)
        return;
    QList<QByteArray> lines;
    const LineReader::Violation v = c->reader.take(bytes, station_.clock().steadyMsecs(), &lines);
    linesRead_ += lines.size();
    if (!lines.isEmpty())
        station_.heard(id);
    for (const QByteArray& line : lines)
        c->waiting.push_back(QString::fromLatin1(line));
    if (v != LineReader::Violation::None) {
        drop(*c, violationLine(v), QString::fromLatin1(violationLine(v).trimmed()));
        return;
    }
    if (c->waiting.size() > std::size_t(maxWaitingLines)) {
        const QByteArray last = errorLine(
            -223, QStringLiteral("Too much data; %1 lines waiting").arg(c->waiting.size()));
        drop(*c, last, QString::fromLatin1(last.trimmed()));
        return;
    }
    pump(id);
}

void ScpiServer::pump(ClientId id) {
    for (;;) {
        Client* c = find(id);
        if (!c || c->gone || c->closing || c->busy || c->waiting.empty())
            return;
        const QString line = c->waiting.front();
        c->waiting.pop_front();
        if (!handle(*c, line))
            return;
    }
}

bool ScpiServer::handle(Client& c, const QString& text) {
    const QString line = text.trimmed();
    const QString header = line.section(QLatin1Char(' '), 0, 0).toUpper();
    if (handleSystem(c, header, line))
        return true;
    if (header == QLatin1String("*IDN?")) {
        answer(c, station_.identification());
        return true;
    }
    const auto refuse = [&](int code, const QString& why) {
        pushError(c, code, why);
        log(QStringLiteral("network: %1: not sent: %2: %3")
                .arg(c.name, line, errorText(code, why)));
    };
    if (line.endsWith(QLatin1Char('?'))) {
        const QString query = kx::knownQuery(line);
        if (query.isEmpty()) {
            refuse(-113, QStringLiteral("Undefined header"));
            answer(c, {});
            return true;
        }
        queueQuery(c, query);
        return false;
    }
    const kx::WireLine w = kx::readWireLine(line);
    if (w.kind == kx::WireLine::Kind::Unknown) {
        refuse(-113, QStringLiteral("Undefined header"));
        return true;
    }
    if (w.kind == kx::WireLine::Kind::Malformed) {
        refuse(-100, QStringLiteral("Command error; ") + w.problem);
        return true;
    }
    if (lockHolder_ != c.id) {
        refuse(-203, QStringLiteral("Command protected; instrument locked"));
        return true;
    }
    queueSetting(c, w);
    return false;
}

bool ScpiServer::handleSystem(Client& c, const QString& header, const QString& line) {
    const bool query = header.endsWith(QLatin1Char('?'));
    QStringList nodes = (query ? header.chopped(1) : header).split(QLatin1Char(':'));
    if (!nodes.isEmpty() && nodes.first().isEmpty()) // a leading colon: from the root
        nodes.removeFirst();
    if (nodes.isEmpty() || shortForm(nodes.first()) != QLatin1String("SYST"))
        return false;
    for (QString& n : nodes)
        n = shortForm(n);
    const QString path = nodes.join(QLatin1Char(':')) + (query ? QStringLiteral("?") : QString());
    if (path == QLatin1String("SYST:ERR?") || path == QLatin1String("SYST:ERR:NEXT?")) {
        if (c.errors.empty()) {
            answer(c, errorText(0, QStringLiteral("No error")));
        } else {
            answer(c, c.errors.front());
            c.errors.pop_front();
        }
    } else if (path == QLatin1String("SYST:LOCK:REQ?")) {
        answer(c, station_.requestLock(c.id) ? QStringLiteral("1") : QStringLiteral("0"));
    } else if (path == QLatin1String("SYST:LOCK:REL")) {
        station_.releaseLock(c.id);
    } else if (path == QLatin1String("SYST:LOCK:OWN?")) {
        answer(c, lockHolder_ == c.id ? QStringLiteral("1") : QStringLiteral("0"));
    } else {
        pushError(c, -113, QStringLiteral("Undefined header"));
        log(QStringLiteral("network: %1: not understood: %2").arg(c.name, line));
        if (query)
            answer(c, {});
    }
    return true;
}

void ScpiServer::queueQuery(Client& c, const QString& query) {
    c.busy = true;
    const ClientId id = c.id;
    station_.queue(id, false, [this, id, query] {
        QString reply;
        QString failure;
        try {
            station_.link().processEcho(query);
            reply = oneLine(kx::firstLine(station_.link().readReceived()));
        } catch (const kx::OperationFailed& f) {
            failure = f.message;
        } catch (const kx::ConnectionLost&) {
            failure = QStringLiteral("the line to the generator was lost");
        } catch (const kx::PortNotOpen&) {
            failure = QStringLiteral("the generator's port is not open");
        } catch (const kx::ShuttingDown&) {
            failure = QStringLiteral("the server is ending");
        }
        station_.tell(id, query, reply);
        if (Client* c = find(id)) {
            answer(*c, reply);
            if (!failure.isEmpty())
                pushError(*c, -240, failure);
        }
        jobDone(id);
    });
}

void ScpiServer::queueSetting(Client& c, const kx::WireLine& w) {
    c.busy = true;
    const ClientId id = c.id;
    station_.queue(id, true, [this, id, w] {
        // The lock may have gone (silence) while the line waited its turn.
        kx::Result r = kx::Result::refused(short(0));
        if (lockHolder_ == id) {
            try {
                r = kx::relay(station_.link(), station_.vars(), w);
            } catch (const kx::PortNotOpen&) {
                r.kind = kx::Result::Kind::LinkLost;
            } catch (const kx::ShuttingDown&) {
                r.kind = kx::Result::Kind::LinkLost;
            }
        }
        if (r.kind == kx::Result::Kind::Done)
            station_.tell(id, w.line, {});
        Client* c = find(id);
        if (c && r.kind != kx::Result::Kind::Done) {
            int code = -240;
            QString why = QStringLiteral("the line to the generator was lost");
            if (r.kind == kx::Result::Kind::NoValidAnswer) {
                why = kx::noValidAnswer(r.query).message;
            } else if (r.kind == kx::Result::Kind::Refused && lockHolder_ != id) {
                code = -203;
                why = QStringLiteral("Command protected; instrument locked");
            } else if (r.kind == kx::Result::Kind::Refused) {
                code = -222;
                why = r.code ? QStringLiteral("refused (%1): %2")
                                   .arg(r.code)
                                   .arg(QLatin1String(kx::findRefusal(r.code)->text))
                             : QStringLiteral("refused: ") + r.problem;
            }
            pushError(*c, code, why);
            log(QStringLiteral("network: %1: not sent: %2: %3")
                    .arg(c->name, w.line, errorText(code, why)));
        }
        jobDone(id);
    });
}

void ScpiServer::jobDone(ClientId id) {
    Client* c = find(id);
    if (!c)
        return;
    c->busy = false;
    // Not from inside the job: the station is still running it.
    if (c->gone)
        QMetaObject::invokeMethod(
            this, [this, id] { reap(id); }, Qt::QueuedConnection);
    else
        QMetaObject::invokeMethod(
            this, [this, id] { pump(id); }, Qt::QueuedConnection);
}

void ScpiServer::answer(Client& c, const QString& text) {
    if (!c.gone && !c.closing)
        c.socket->write(text.toLatin1() + '\n');
}

void ScpiServer::pushError(Client& c, int code, const QString& text) {
    if (c.errors.size() < std::size_t(errorQueueSize))
        c.errors.push_back(errorText(code, text));
    else
        c.errors.back() = errorText(-350, QStringLiteral("Queue overflow"));
}

void ScpiServer::drop(Client& c, const QByteArray& last, const QString& why) {
    if (c.gone || c.closing)
        return;
    c.closing = true;
    c.waiting.clear();
    log(QStringLiteral("network: %1 disconnected: %2").arg(c.name, why));
    c.socket->write(last);
    // A client that does not read its last words is not waited for long.
    QTimer::singleShot(5000, c.socket, &QTcpSocket::abort);
    c.socket->disconnectFromHost();
}

void ScpiServer::onDisconnected(ClientId id) {
    Client* c = find(id);
    if (!c || c->gone)
        return;
    if (!c->closing)
        log(QStringLiteral("network: %1 disconnected").arg(c->name));
    c->gone = true;
    c->waiting.clear();
    station_.leave(id);
    QMetaObject::invokeMethod(
        this, [this, id] { reap(id); }, Qt::QueuedConnection);
}

void ScpiServer::reap(ClientId id) {
    Client* c = find(id);
    // A job that runs for it ends first, and reaps it then.
    if (!c || !c->gone || station_.running() == id)
        return;
    c->socket->deleteLater();
    clients_.erase(id);
}

void ScpiServer::closeAll(const QString& why) {
    if (!closed_ && server_->isListening())
        log(QStringLiteral("network: closing every connection: %1").arg(why));
    closed_ = true;
    server_->close();
    const QByteArray last = errorLine(-300, QStringLiteral("Device-specific error; ") + why);
    for (const auto& [id, c] : clients_)
        drop(*c, last, why);
}

// kx-server logs every change of the lock; this only keeps track of it.
void ScpiServer::onLockChanged(ClientId holder, const QString&) {
    const Client* c = find(holder);
    lockHolder_ = c && !c->gone ? holder : 0;
}

} // namespace kxserver
