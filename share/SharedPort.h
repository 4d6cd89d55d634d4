#pragma once

#include "link/SerialPort.h"
#include "share/Frame.h"

#include <QString>
#include <QStringList>

#include <optional>

class QEventLoop;
class QLocalSocket;

namespace kx {

// The generator's port, shared through a kx-server when one holds the device, else
// opened here as it always was.
//
// open(device) connects to the socket of the kx-server that holds `device` when one
// answers there; otherwise it opens the device itself through QtSerialPort, with every
// behaviour and error of that. Through the server, the exchange on this port works as
// ever (its pacing, time-outs and echoes): what it writes goes to the server, which
// writes it to the generator, and what the generator sends back comes from the server.
// Lines go out only in this program's turn: beginOperation asks the server for it and
// waits, and endOperation gives it back. A line written outside any operation takes the
// turn too, and keeps it until the next endOperation or close().
class SharedPort final : public SerialPort {
    Q_OBJECT
public:
    // `name` is how the server's log and its other clients name this program; empty:
    // "<application name> (pid N)".
    explicit SharedPort(const QString& name = {}, QObject* parent = nullptr);
    ~SharedPort() override;

    bool open(const QString& device) override;
    PortError openError() const override;
    void close() override;
    bool isOpen() const override;
    bool write(const QByteArray& data) override;
    QByteArray readAll() override;
    void beginOperation() override;
    void endOperation() override;

    // Whether the port open now is a server's.
    bool throughServer() const { return socket_ != nullptr; }
    // The server's answer to this program's HELLO: the generator's identification.
    QString serverIdentification() const { return identification_; }

    // How long open() waits for a server's welcome.
    static constexpr int welcomeMs = 5000;

private:
    bool openThroughServer(const QString& path);
    void onSocketData();
    void onSocketGone();
    void handle(const frame::Message& m);
    void send(const QByteArray& word, const QByteArrayList& fields = {});
    void awaitTurn();
    void dropSocket();

    QString name_;
    QtSerialPort direct_;
    QLocalSocket* socket_ = nullptr;
    frame::Reader reader_;
    QByteArray received_;
    QString identification_;
    PortError openError_ = PortError::None;
    int depth_ = 0;        // operations begun and not yet ended
    bool turn_ = false;    // the server granted the turn
    bool asked_ = false;   // BEGIN sent, GRANTED not yet come
    bool welcome_ = false; // WELCOME came
    bool closed_ = false;  // close() was called since the last open()
    QEventLoop* waiting_ = nullptr;
};

// What a kx-server that holds a device says of itself: kx-ctl server-status.
struct ServerStatus {
    QString device;
    QString identification;
    QStringList clients;
    QString holder; // empty: the lock is free
};

// Asks the kx-server that holds `device`; nothing when none answers there (`why` says
// why).
std::optional<ServerStatus> askServer(const QString& device, QString* why);

} // namespace kx
