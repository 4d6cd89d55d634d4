#include "share/SharedPort.h"

#include "share/Places.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QLocalSocket>

#include <utility>

namespace kx {

namespace {

// A local server that is there answers at once; none there is refused at once.
constexpr int connectMs = 1000;

} // namespace

SharedPort::SharedPort(const QString& name, QObject* parent)
    : SerialPort(parent), name_(name.isEmpty() ? QStringLiteral("%1 (pid %2)")
                                                     .arg(QCoreApplication::applicationName())
                                                     .arg(QCoreApplication::applicationPid())
                                               : name) {
    connect(&direct_, &SerialPort::readyRead, this, &SerialPort::readyRead);
    connect(&direct_, &SerialPort::failed, this, &SerialPort::failed);
}

SharedPort::~SharedPort() { close(); }

bool SharedPort::open(const QString& device) {
    close();
    closed_ = false;
    openError_ = PortError::None;
    const QString path = socketPath(device);
    if (!path.isEmpty() && QFileInfo::exists(path)) {
        if (openThroughServer(path))
            return true;
        if (openError_ != PortError::None)
            return false;
    }
    // No server holds the device: it is this program's own, as it always was.
    if (direct_.open(device))
        return true;
    openError_ = direct_.openError();
    return false;
}

bool SharedPort::openThroughServer(const QString& path) {
    auto* socket = new QLocalSocket(this);
    socket->connectToServer(path);
    if (!socket->waitForConnected(connectMs)) {
        // A socket file left by a server that has gone: the device is free.
        delete socket;
        return false;
    }
    socket_ = socket;
    reader_ = {};
    received_.clear();
    identification_.clear();
    welcome_ = false;
    connect(socket_, &QLocalSocket::readyRead, this, &SharedPort::onSocketData);
    connect(socket_, &QLocalSocket::disconnected, this, &SharedPort::onSocketGone);
    send(frame::hello, {name_.toUtf8()});
    const QDeadlineTimer deadline(welcomeMs);
    while (socket_ && !welcome_ && !deadline.hasExpired()) {
        if (!socket_->waitForReadyRead(int(deadline.remainingTime())))
            break;
    }
    if (!socket_ || !welcome_) {
        // The server holds the device and does not take this program (it has all the
        // clients it takes, or it is ending).
        dropSocket();
        openError_ = PortError::Busy;
        return false;
    }
    if (depth_ > 0)
        awaitTurn();
    // Ended by close() (the program is ending): the exchange finds the port closed. A
    // server gone meanwhile is a port that could not be opened.
    if (!socket_ && !closed_) {
        openError_ = PortError::Other;
        return false;
    }
    return true;
}

PortError SharedPort::openError() const { return openError_; }

void SharedPort::close() {
    closed_ = true;
    if (socket_) {
        if (turn_ || asked_)
            send(frame::end);
        dropSocket();
    }
    direct_.close();
}

bool SharedPort::isOpen() const { return socket_ ? true : direct_.isOpen(); }

bool SharedPort::write(const QByteArray& data) {
    if (!socket_)
        return direct_.write(data);
    if (!turn_)
        awaitTurn();
    if (!socket_ || !turn_)
        return false;
    send(frame::write, {data});
    return socket_ && socket_->state() == QLocalSocket::ConnectedState;
}

QByteArray SharedPort::readAll() {
    return socket_ ? std::exchange(received_, {}) : direct_.readAll();
}

void SharedPort::beginOperation() {
    if (++depth_ == 1 && socket_)
        awaitTurn();
}

void SharedPort::endOperation() {
    if (depth_ > 0)
        --depth_;
    if (depth_ == 0 && socket_ && (turn_ || asked_)) {
        send(frame::end);
        turn_ = false;
        asked_ = false;
    }
}

void SharedPort::awaitTurn() {
    if (turn_ || !socket_ || waiting_)
        return;
    if (!asked_) {
        send(frame::begin);
        asked_ = true;
    }
    QEventLoop loop;
    waiting_ = &loop;
    emit waitingTurn(true);
    while (socket_ && !turn_)
        loop.exec();
    waiting_ = nullptr;
    emit waitingTurn(false);
}

void SharedPort::send(const QByteArray& word, const QByteArrayList& fields) {
    if (!socket_)
        return;
    socket_->write(frame::encode(word, fields));
    socket_->flush();
}

void SharedPort::onSocketData() {
    if (!socket_)
        return;
    reader_.feed(socket_->readAll());
    while (socket_) {
        const std::optional<frame::Message> m = reader_.next();
        if (!m)
            break;
        handle(*m);
    }
    if (socket_ && reader_.failed())
        onSocketGone();
}

void SharedPort::handle(const frame::Message& m) {
    if (m.word == frame::read) {
        if (!turn_)
            return;
        received_ += m.field(0);
        emit readyRead();
    } else if (m.word == frame::granted) {
        if (!asked_)
            return;
        asked_ = false;
        turn_ = true;
        if (waiting_)
            waiting_->quit();
    } else if (m.word == frame::traffic) {
        emit othersTraffic(QString::fromUtf8(m.field(0)), QString::fromLatin1(m.field(1)),
                           QString::fromLatin1(m.field(2)));
    } else if (m.word == frame::welcome) {
        welcome_ = true;
        identification_ = QString::fromLatin1(m.field(1));
    } else if (m.word == frame::lost || m.word == frame::bye) {
        onSocketGone();
    }
}

void SharedPort::onSocketGone() {
    if (!socket_)
        return;
    const bool wasOpen = welcome_;
    dropSocket();
    // Before the welcome, open() says what happened.
    if (wasOpen)
        emit failed();
}

void SharedPort::dropSocket() {
    QLocalSocket* socket = std::exchange(socket_, nullptr);
    socket->disconnect(this);
    socket->disconnectFromServer();
    // Not now: this may run inside one of its own signals.
    socket->deleteLater();
    turn_ = false;
    asked_ = false;
    welcome_ = false;
    if (waiting_)
        waiting_->quit();
}

std::optional<ServerStatus> askServer(const QString& device, QString* why) {
    const QString path = socketPath(device, why);
    if (path.isEmpty())
        return std::nullopt;
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(connectMs)) {
        *why = QStringLiteral("no kx-server holds it");
        return std::nullopt;
    }
    socket.write(frame::encode(frame::who));
    socket.flush();
    frame::Reader reader;
    ServerStatus status;
    const QDeadlineTimer deadline(SharedPort::welcomeMs);
    for (;;) {
        const bool more = socket.waitForReadyRead(int(deadline.remainingTime()));
        reader.feed(socket.readAll());
        while (const std::optional<frame::Message> m = reader.next()) {
            if (m->word == frame::server) {
                status.device = QString::fromUtf8(m->field(0));
                status.identification = QString::fromLatin1(m->field(1));
            } else if (m->word == frame::client) {
                status.clients << QString::fromUtf8(m->field(0));
            } else if (m->word == frame::holder) {
                status.holder = QString::fromUtf8(m->field(0));
                return status;
            }
        }
        if (!more || deadline.hasExpired())
            break;
    }
    *why = QStringLiteral("the kx-server holding it did not answer");
    return std::nullopt;
}

} // namespace kx
