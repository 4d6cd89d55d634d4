#pragma once

#include "link/Exchange.h"
#include "link/SerialPort.h"
#include "state/modVariables.h"

#include <QByteArray>
#include <QMap>
#include <QObject>
#include <QString>
#include <QTimer>

#include <deque>
#include <functional>
#include <optional>

namespace kx {
class Clock;
}

namespace kxserver {

// A client of the server: a local program or a network connection.
using ClientId = quint64;

// The port between the exchange and the device. Bytes from the generator reach the
// exchange as ever; while a local client's operation runs, they also go to that client.
class Tap final : public kx::SerialPort {
    Q_OBJECT
public:
    explicit Tap(kx::SerialPort& device, QObject* parent = nullptr);

    bool open(const QString& device) override;
    kx::PortError openError() const override { return device_.openError(); }
    void close() override;
    bool isOpen() const override { return device_.isOpen(); }
    bool write(const QByteArray& data) override { return device_.write(data); }
    QByteArray readAll() override;

    // Everything received from now on also goes to `sink`; an empty one ends that.
    void divert(std::function<void(const QByteArray&)> sink) { sink_ = std::move(sink); }

private:
    void onReadyRead();

    kx::SerialPort& device_;
    QByteArray received_;
    std::function<void(const QByteArray&)> sink_;
};

// The generator as the server holds it: one port, one exchange, one job at a time.
//
// A job has the exchange to itself from its start to its end, pauses included: no line
// of another job comes between its lines. Jobs run in the order they were queued, but a
// job that changes the generator waits while another client holds the lock; a query job
// does not. A job of a client that has gone is dropped.
//
// The lock: a network client asks for it and keeps it until it releases it, goes away,
// or stays silent for lockTimeoutMs. A local client's operation takes it for its length.
class Station : public QObject {
    Q_OBJECT
public:
    using Job = std::function<void()>;

    Station(kx::SerialPort& device, kx::Clock& clock, QObject* parent = nullptr);

    // Opens the device and reads its identification and its status; false when the port
    // refused (openError() says why) or the generator did not identify itself as a KX
    // model (`why` says so).
    bool open(const QString& device, QString* why);
    kx::PortError openError() const { return tap_.openError(); }
    void close();

    kx::Exchange& link() { return link_; }
    kx::modVariables& vars() { return vars_; }
    Tap& tap() { return tap_; }
    kx::Clock& clock() { return clock_; }
    // The generator's answer to "*IDN?" at open, up to its line end.
    QString identification() const { return identification_; }
    QString device() const { return device_; }

    // Queues `job` for `client`. `changes`: it may send a setting, so it waits for the
    // lock to be free or held by `client`, and holds it while it runs.
    void queue(ClientId client, bool changes, Job job);
    bool busy() const { return running_; }
    // The client whose job runs now; 0 between jobs.
    ClientId running() const { return current_; }

    // The lock: granted (true) when free or already held by `client`.
    bool requestLock(ClientId client);
    void releaseLock(ClientId client);
    std::optional<ClientId> lockHolder() const { return holder_; }
    // The holder was heard from: its silence counts from now.
    void heard(ClientId client);
    void setLockTimeout(int ms) { lockTimeoutMs_ = ms; }
    int lockTimeout() const { return lockTimeoutMs_; }

    // A client comes: its number, never 0 and never reused. `name` says who it is
    // ("kx-panel (pid 1234)", "192.168.1.5:40022").
    ClientId join(const QString& name);
    // `client` has gone: its queued jobs are dropped and its lock released.
    void leave(ClientId client);
    QString nameOf(ClientId client) const { return clients_.value(client); }
    // Everyone connected, by number.
    const QMap<ClientId, QString>& clients() const { return clients_; }

    // Tells the clients that `client` sent `line` and the generator answered `answer`
    // (empty for a setting or a query left unanswered).
    void tell(ClientId client, const QString& line, const QString& answer) {
        emit traffic(client, line, answer);
    }

    // The program is ending: the running job ends at its next pause, no other starts.
    void shutdown();

signals:
    void traffic(ClientId client, const QString& line, const QString& answer);
    // The lock was taken or released (holder 0: free); `why` in a few words.
    void lockChanged(ClientId holder, const QString& why);
    // The port failed: the generator is gone.
    void lost();

private:
    struct Queued {
        ClientId client;
        bool changes;
        Job job;
    };
    void runNext();
    void checkSilence();

    kx::Clock& clock_;
    Tap tap_;
    kx::Exchange link_;
    kx::modVariables vars_;
    QString identification_;
    QString device_;
    std::deque<Queued> queue_;
    QMap<ClientId, QString> clients_;
    ClientId lastClient_ = 0;
    bool running_ = false;
    bool shutdown_ = false;
    ClientId current_ = 0;
    std::optional<ClientId> holder_;
    bool heldForJob_ = false; // the lock was taken for the running job alone
    qint64 heardAt_ = 0;      // steady time the holder was last heard from
    int lockTimeoutMs_ = 60000;
    QTimer silence_;
};

} // namespace kxserver
