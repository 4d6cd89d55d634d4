#include "server/Local.h"

#include "link/Clock.h"
#include "server/Log.h"
#include "share/Frame.h"

#include <QLocalSocket>

#include <algorithm>
#include <limits>

namespace kxserver {

namespace frame = kx::frame;

struct Local::Client {
    QLocalSocket* socket = nullptr;
    frame::Reader reader;
    ClientId id = 0; // 0 until its HELLO
    QString name;
    bool gone = false;
    quint64 begun = 0; // BEGINs and ENDs received: the turn of BEGIN n lasts until END n
    quint64 ended = 0;
    bool inTurn = false;
    // What its turn relays: written text not yet ended by its CR, the line before the
    // last, and the query whose answer has not come, with what came since.
    QByteArray partial;
    QByteArray before;
    QByteArray query;
    QByteArray answer;

    void send(const QByteArray& word, const QByteArrayList& fields = {}) {
        if (!gone && socket->state() == QLocalSocket::ConnectedState)
            socket->write(frame::encode(word, fields));
    }
};

Local::Local(Station& station, int maxClients, QObject* parent)
    : QObject(parent), station_(station), maxClients_(maxClients) {
    connect(&server_, &QLocalServer::newConnection, this, &Local::onConnection);
    connect(&station_, &Station::traffic, this, &Local::onTraffic);
}

Local::~Local() {
    for (const ClientPtr& c : clients_)
        c->socket->disconnect(this);
}

bool Local::listen(const QString& path, QString* why) {
    {
        QLocalSocket probe;
        probe.connectToServer(path);
        if (probe.waitForConnected(1000)) {
            *why = QStringLiteral("another kx-server holds it (%1)").arg(path);
            return false;
        }
    }
    // What a server that has gone left behind.
    QLocalServer::removeServer(path);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_.listen(path)) {
        *why = QStringLiteral("cannot listen on %1: %2").arg(path, server_.errorString());
        return false;
    }
    return true;
}

void Local::shutdown(const QString& why) {
    stopping_ = true;
    const QString path = server_.fullServerName();
    server_.close();
    QLocalServer::removeServer(path);
    // A client let go leaves the list.
    const std::vector<ClientPtr> all = clients_;
    for (const ClientPtr& c : all) {
        c->send(frame::bye, {why.toUtf8()});
        c->socket->flush();
        c->socket->disconnectFromServer();
    }
    station_.clock().wake();
}

void Local::portLost() {
    lost_ = true;
    for (const ClientPtr& c : clients_) {
        if (c->id)
            c->send(frame::lost);
    }
    station_.clock().wake();
}

void Local::onConnection() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        auto c = std::make_shared<Client>();
        c->socket = socket;
        socket->setParent(this);
        clients_.push_back(c);
        connect(socket, &QLocalSocket::readyRead, this, [this, c] { onData(c); });
        connect(socket, &QLocalSocket::disconnected, this, [this, c] { onGone(c); });
        if (stopping_)
            socket->disconnectFromServer();
    }
}

void Local::onData(const ClientPtr& c) {
    c->reader.feed(c->socket->readAll());
    while (!c->gone) {
        const std::optional<frame::Message> m = c->reader.next();
        if (!m)
            break;
        handle(c, m->word, m->fields);
    }
    if (c->reader.failed() && !c->gone)
        c->socket->disconnectFromServer();
}

void Local::handle(const ClientPtr& c, const QByteArray& word, const QByteArrayList& fields) {
    if (!c->id) {
        if (word == frame::hello)
            hello(c, QString::fromUtf8(fields.value(0)));
        else if (word == frame::who)
            who(*c);
        else
            c->socket->disconnectFromServer(); // not a client of ours
    } else if (word == frame::begin) {
        const quint64 number = ++c->begun;
        station_.queue(c->id, true, [this, c, number] { turn(c, number); });
    } else if (word == frame::write) {
        // Only in its turn: anything else would come between another client's lines.
        if (c->inTurn)
            relay(*c, fields.value(0));
    } else if (word == frame::end) {
        if (c->ended < c->begun)
            ++c->ended;
        station_.clock().wake();
    }
}

void Local::hello(const ClientPtr& c, const QString& name) {
    if (stopping_ || lost_) {
        c->send(frame::bye, {QByteArrayLiteral("the server is ending")});
        c->socket->disconnectFromServer();
        return;
    }
    if (station_.clients().size() >= maxClients_) {
        log(QStringLiteral("refused %1: %2 clients already").arg(name).arg(maxClients_));
        c->send(frame::bye, {QByteArrayLiteral("too many clients")});
        c->socket->disconnectFromServer();
        return;
    }
    // Its own words, shown as they are only where they are printable.
    QString shown;
    for (const QChar ch : name.left(80))
        shown += ch.isPrint() ? ch : QLatin1Char('?');
    c->name = shown;
    c->id = station_.join(shown);
    log(QStringLiteral("client connected: %1").arg(shown));
    c->send(frame::welcome, {station_.device().toUtf8(), station_.identification().toLatin1()});
}

void Local::who(Client& c) {
    c.send(frame::server, {station_.device().toUtf8(), station_.identification().toLatin1()});
    for (const QString& name : station_.clients())
        c.send(frame::client, {name.toUtf8()});
    const std::optional<ClientId> holder = station_.lockHolder();
    c.send(frame::holder, {holder ? station_.nameOf(*holder).toUtf8() : QByteArray()});
    c.socket->flush();
    c.socket->disconnectFromServer();
}

void Local::turn(const ClientPtr& c, quint64 number) {
    const auto over = [this, &c, number] {
        return c->gone || stopping_ || lost_ || c->ended >= number;
    };
    if (over())
        return;
    c->inTurn = true;
    c->partial.clear();
    c->before.clear();
    c->query.clear();
    c->answer.clear();
    c->send(frame::granted);
    station_.tap().divert([this, c](const QByteArray& bytes) { received(*c, bytes); });
    while (!over())
        station_.clock().wait(std::numeric_limits<int>::max(), over);
    station_.tap().divert({});
    c->inTurn = false;
    if (!c->query.isEmpty()) {
        // The next job must not read what may still come for it.
        station_.link().leftUnanswered(!c->answer.isEmpty());
        station_.tell(c->id, QString::fromLatin1(c->query), {});
        c->query.clear();
    }
    if (c->gone)
        leave(c);
}

void Local::relay(Client& c, const QByteArray& bytes) {
    station_.tap().write(bytes);
    c.partial += bytes;
    for (qsizetype cr; (cr = c.partial.indexOf('\r')) >= 0;) {
        const QByteArray line = c.partial.left(cr);
        c.partial.remove(0, cr + 1);
        if (!c.query.isEmpty())
            station_.tell(c.id, QString::fromLatin1(c.query), {}); // it went unanswered
        c.query.clear();
        c.answer.clear();
        if (line.endsWith('?')) {
            c.query = line;
        } else {
            c.before = line;
            station_.tell(c.id, QString::fromLatin1(line), {});
        }
    }
}

void Local::received(Client& c, const QByteArray& bytes) {
    c.send(frame::read, {bytes});
    if (c.query.isEmpty())
        return;
    c.answer += bytes;
    for (;;) {
        while (c.answer.startsWith('\n'))
            c.answer.remove(0, 1);
        const qsizetype cr = c.answer.indexOf('\r');
        if (cr < 0)
            return;
        const QByteArray first = c.answer.left(cr);
        c.answer.remove(0, cr + 1);
        // An echo of the query, or of the setting line before it.
        if (first.isEmpty() || first == c.query || first == c.before)
            continue;
        station_.tell(c.id, QString::fromLatin1(c.query), QString::fromLatin1(first));
        c.query.clear();
        c.answer.clear();
        return;
    }
}

void Local::onGone(const ClientPtr& c) {
    if (c->gone)
        return;
    c->gone = true;
    c->socket->deleteLater();
    station_.clock().wake();
    // A turn under way ends first; the client leaves as it ends.
    if (!c->inTurn)
        leave(c);
}

void Local::leave(const ClientPtr& c) {
    std::erase(clients_, c);
    if (!c->id)
        return;
    log(QStringLiteral("client left: %1").arg(c->name));
    station_.leave(c->id);
}

void Local::onTraffic(ClientId client, const QString& line, const QString& answer) {
    const QByteArray name = station_.nameOf(client).toUtf8();
    for (const ClientPtr& c : clients_) {
        if (c->id && c->id != client)
            c->send(frame::traffic, {name, line.toLatin1(), answer.toLatin1()});
    }
}

} // namespace kxserver
