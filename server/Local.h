#pragma once

#include "server/Station.h"

#include <QLocalServer>
#include <QObject>
#include <QString>

#include <memory>
#include <vector>

namespace kxserver {

// The server's local side: the programs of this user on this computer (the panel,
// kx-ctl) reach the generator through a local socket (share/Frame.h has the protocol).
//
// Each connection that says HELLO is a client of the station. Its BEGIN queues a job
// that changes the generator: when the job's turn comes the client is told GRANTED,
// what the generator sends goes to it (and to it alone) as READ, and its WRITEs go to
// the generator as they are, until its END, its going, the port's loss or the server's
// end. Each line relayed, with the generator's answer, is told to the station, and the
// station's traffic to every other local client.
class Local : public QObject {
    Q_OBJECT
public:
    Local(Station& station, int maxClients, QObject* parent = nullptr);
    ~Local() override;

    // Listens on the socket `path`; false (`why` says why) when another server answers
    // there or the socket cannot be made. A socket file no server answers is removed.
    bool listen(const QString& path, QString* why);

    // The server is ending: every client is told `why` and let go, a turn under way
    // ends, and the socket file is removed.
    void shutdown(const QString& why);
    // The generator's port failed: every client is told, a turn under way ends.
    void portLost();

private:
    struct Client;
    using ClientPtr = std::shared_ptr<Client>;

    void onConnection();
    void onData(const ClientPtr& c);
    void onGone(const ClientPtr& c);
    void handle(const ClientPtr& c, const QByteArray& word, const QByteArrayList& fields);
    void hello(const ClientPtr& c, const QString& name);
    void who(Client& c);
    void turn(const ClientPtr& c, quint64 number);
    void relay(Client& c, const QByteArray& bytes);
    void received(Client& c, const QByteArray& bytes);
    void leave(const ClientPtr& c);
    void onTraffic(ClientId client, const QString& line, const QString& answer);

    Station& station_;
    int maxClients_;
    QLocalServer server_;
    std::vector<ClientPtr> clients_;
    bool stopping_ = false;
    bool lost_ = false;
};

} // namespace kxserver
