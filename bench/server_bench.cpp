// kx-bench --server: what kx-server costs. kx-sim runs as port 3 on a pseudo-terminal,
// with a private configuration and runtime folder, and the run goes:
//
// 1. The same query, one operation each as kx-ctl asks it, straight to the device
//    through kx::QtSerialPort; the answers to a few more queries are learnt there too.
// 2. kx-server on the device, listening on a free loopback port: the same query through
//    it on a kx::SharedPort, one operation each and then all in one operation.
// 3. Eight network clients at once, each asking the learnt queries in turn over TCP and
//    reading each answer before the next line, kept under the server's bound on lines a
//    second; then eight local clients (kx::SharedPort) at once, as fast as answered.
//    Every answer must be the asker's own, in the order it asked (Tally.h).
// 4. The server ends (SIGTERM); the device once more straight, for the second half of
//    step 1's count, so that both ways meet the machine before and after.
// 5. kx-sim ends and says how many lines it rejected: there must be none.
//
//   kx-bench --server [--count N] [--seconds S] [--clients N]

#include "Bench.h"
#include "Tally.h"

#include "link/Clock.h"
#include "link/Exchange.h"
#include "link/LinkError.h"
#include "link/SerialPort.h"
#include "share/SharedPort.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

namespace kxbench {

namespace {

// The query timed one way and the other.
constexpr const char* timedQuery = "FREQ?";
// What the clients ask in turn, of which those with answers of their own are kept.
const QList<QByteArray> candidateQueries{"FREQ?",  "AMPL?",  "OFFS?", "FUNC?",
                                         "SWSTA?", "SWSTO?", "OUT?",  "SWE?"};
// kx-server cuts off a network client that ends more than 100 lines within a second;
// the clients here stay well under that.
constexpr int networkLinesPerSecond = 90;
constexpr int warmUp = 50;

bool fail(const QString& what) {
    std::fprintf(stderr, "kx-bench: %s\n", qPrintable(what));
    return false;
}

// The same, as the run's exit status.
int failed(const QString& what) {
    fail(what);
    return 1;
}

QString loadAverage() {
    QFile f(QStringLiteral("/proc/loadavg"));
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("unknown");
    return QString::fromLatin1(f.readAll()).section(QLatin1Char(' '), 0, 2);
}

// kx-sim or kx-server, in the private folders.
class Child {
public:
    explicit Child(const QProcessEnvironment& env) { process_.setProcessEnvironment(env); }
    ~Child() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(3000);
        }
    }

    // Starts `program` and reads its standard error (`fromError`) or output until a line
    // matches `ready`; that line's match.
    QRegularExpressionMatch start(const QString& program, const QStringList& args,
                                  const QRegularExpression& ready, bool fromError) {
        process_.start(program, args);
        if (!process_.waitForStarted(5000))
            return {};
        process_.setReadChannel(fromError ? QProcess::StandardError : QProcess::StandardOutput);
        QDeadlineTimer deadline(10000);
        while (!deadline.hasExpired()) {
            while (process_.canReadLine()) {
                const QString line = QString::fromLocal8Bit(process_.readLine()).trimmed();
                said_ += line + QLatin1Char('\n');
                const QRegularExpressionMatch m = ready.match(line);
                if (m.hasMatch())
                    return m;
            }
            if (!process_.waitForReadyRead(int(deadline.remainingTime())))
                break;
        }
        return {};
    }

    // Ends it with SIGTERM; its exit status, -1 when it did not end by itself.
    int stop() {
        process_.terminate();
        if (!process_.waitForFinished(5000))
            return -1;
        said_ += QString::fromLocal8Bit(process_.readAllStandardError());
        return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
    }
    // What it said on the channel read, and on standard error at its end.
    const QString& said() const { return said_; }

private:
    QProcess process_;
    QString said_;
};

// `count` times `query` on `link`, one operation each as kx-ctl asks it (or all within
// one), each answer to be `expected`; the time of each query in ms.
bool timeQueries(kx::Exchange& link, const QByteArray& query, const QByteArray& expected, int count,
                 bool ownOperation, QList<double>* ms) {
    std::optional<kx::HeldOperation> whole;
    if (!ownOperation)
        whole.emplace(link.port());
    try {
        for (int i = 0; i < count; ++i) {
            const qint64 start = monotonicNs();
            QByteArray answer;
            {
                std::optional<kx::HeldOperation> held;
                if (ownOperation)
                    held.emplace(link.port());
                link.processEcho(QString::fromLatin1(query));
                answer = kx::firstLine(link.readReceived()).toLatin1();
            }
            if (ms)
                *ms << double(monotonicNs() - start) / 1e6;
            if (answer != expected)
                return fail(QStringLiteral("%1 answered %2, not %3")
                                .arg(QString::fromLatin1(query), QString::fromLatin1(answer),
                                     QString::fromLatin1(expected)));
        }
    } catch (const kx::OperationFailed& f) {
        return fail(f.message);
    } catch (...) {
        return fail(QStringLiteral("the line failed while asking %1").arg(query));
    }
    return true;
}

// The device straight, as kx-ctl opens it when no server holds it. With `answers`, the
// answers to candidateQueries are learnt first, and `expected` is the timed query's.
bool direct(const QString& device, int count, QByteArray* expected, QList<double>* ms,
            QHash<QByteArray, QByteArray>* answers = nullptr) {
    kx::RealClock clock;
    kx::QtSerialPort port;
    kx::Exchange link(port, clock);
    if (!link.open(device))
        return fail(QStringLiteral("cannot open %1").arg(device));
    if (answers) {
        try {
            for (const QByteArray& q : candidateQueries) {
                link.processEcho(QString::fromLatin1(q));
                answers->insert(q, kx::firstLine(link.readReceived()).toLatin1());
            }
        } catch (...) {
            return fail(QStringLiteral("no answers to learn"));
        }
        *expected = answers->value(timedQuery);
    }
    return timeQueries(link, timedQuery, *expected, warmUp, true, nullptr) &&
           timeQueries(link, timedQuery, *expected, count, true, ms);
}

// One client of step 3, on its own thread.
struct Client {
    AnswerTally tally;
    QString failure;
    QByteArray errorQueue; // a network client's answer to SYST:ERR? at its end
    qint64 firstAskedNs = 0;
    qint64 lastAnswerNs = 0;
    QList<double> answerMs; // from asking to the answer, the wait for the turn included
};

// Asks over TCP until `untilNs`, a line at most every 1/`perSecond` s, each answer read
// before the next line; then waits a little for anything more, and asks for the error
// queue.
void askOverNetwork(Client& c, quint16 port, const QList<QByteArray>& cycle, int first,
                    qint64 untilNs, int perSecond) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress(QHostAddress::LocalHost), port);
    if (!socket.waitForConnected(3000)) {
        c.failure = QStringLiteral("could not connect: ") + socket.errorString();
        return;
    }
    const auto readLine = [&](int waitMs) -> std::optional<QByteArray> {
        while (!socket.canReadLine()) {
            if (!socket.waitForReadyRead(waitMs))
                return std::nullopt;
        }
        return socket.readLine().chopped(1);
    };
    const qint64 spacingNs = 1'000'000'000 / perSecond;
    qint64 sentNs = 0;
    for (int i = first; monotonicNs() < untilNs; ++i) {
        if (const qint64 early = sentNs + spacingNs - monotonicNs(); sentNs && early > 0)
            QThread::usleep((unsigned long)(early / 1000 + 1));
        const QByteArray query = cycle[i % cycle.size()];
        sentNs = monotonicNs();
        if (!c.firstAskedNs)
            c.firstAskedNs = sentNs;
        socket.write(query + '\n');
        c.tally.asked(query);
        const std::optional<QByteArray> answer = readLine(3000);
        if (!answer) {
            c.failure = QStringLiteral("no answer to %1: %2")
                            .arg(QString::fromLatin1(query), socket.errorString());
            return;
        }
        c.tally.answered(*answer);
        c.lastAnswerNs = monotonicNs();
        c.answerMs << double(c.lastAnswerNs - sentNs) / 1e6;
    }
    while (const std::optional<QByteArray> extra = readLine(200))
        c.tally.answered(*extra);
    socket.write("SYST:ERR?\n");
    c.errorQueue = readLine(3000).value_or("(no answer)");
    socket.disconnectFromHost();
}

// Asks through the local socket until `untilNs`, one operation a query.
void askLocally(Client& c, const QString& device, const QString& name,
                const QList<QByteArray>& cycle, int first, qint64 untilNs) {
    kx::RealClock clock;
    kx::SharedPort port(name);
    kx::Exchange link(port, clock);
    if (!link.open(device) || !port.throughServer()) {
        c.failure = QStringLiteral("not through kx-server");
        return;
    }
    try {
        for (int i = first; monotonicNs() < untilNs; ++i) {
            const QByteArray query = cycle[i % cycle.size()];
            const qint64 askedNs = monotonicNs();
            if (!c.firstAskedNs)
                c.firstAskedNs = askedNs;
            const kx::HeldOperation held(port);
            c.tally.asked(query);
            link.processEcho(QString::fromLatin1(query));
            c.tally.answered(kx::firstLine(link.readReceived()).toLatin1());
            c.lastAnswerNs = monotonicNs();
            c.answerMs << double(c.lastAnswerNs - askedNs) / 1e6;
        }
    } catch (const kx::OperationFailed& f) {
        c.failure = f.message;
    } catch (...) {
        c.failure = QStringLiteral("the line failed");
    }
    link.close();
}

struct Crowd {
    QString name;
    std::vector<Client> clients;
    double seconds = 0; // from the first query of any client to the last answer of any
};

// Runs `ask(client, index)` for `count` clients at once, each on its own thread.
template <typename Ask> Crowd crowd(const QString& name, int count, Ask ask) {
    Crowd c{name, std::vector<Client>(size_t(count)), 0};
    std::vector<std::unique_ptr<QThread>> threads;
    for (int i = 0; i < count; ++i) {
        threads.emplace_back(QThread::create([&c, &ask, i] { ask(c.clients[size_t(i)], i); }));
        threads.back()->start();
    }
    qint64 first = 0, last = 0;
    for (size_t i = 0; i < threads.size(); ++i) {
        threads[i]->wait();
        const Client& client = c.clients[i];
        if (client.firstAskedNs)
            first = first ? std::min(first, client.firstAskedNs) : client.firstAskedNs;
        last = std::max(last, client.lastAnswerNs);
    }
    c.seconds = last > first ? double(last - first) / 1e9 : 0;
    return c;
}

QString ms(double v) { return QString::number(v, 'f', 3) + QStringLiteral(" ms"); }

// One row of the clients' table; false when a client failed or got another's answer.
bool printCrowd(const Crowd& c) {
    qint64 total = 0, least = -1, most = 0, wrong = 0, unasked = 0;
    QList<double> answerMs;
    bool ok = true;
    for (const Client& client : c.clients) {
        answerMs << client.answerMs;
        const qint64 n = client.tally.right();
        total += n;
        least = least < 0 ? n : std::min(least, n);
        most = std::max(most, n);
        wrong += client.tally.wrong();
        unasked += client.tally.unasked();
        if (!client.failure.isEmpty())
            ok = fail(c.name + QStringLiteral(": ") + client.failure);
        else if (!client.tally.clean())
            ok = false;
        if (!client.errorQueue.isEmpty() && client.errorQueue != R"(0,"No error")")
            ok = fail(c.name + QStringLiteral(": SYST:ERR? answered ") +
                      QString::fromLatin1(client.errorQueue));
    }
    std::printf("| %s | %lld | %.0f | %lld to %lld | %s | %s | %lld wrong, %lld unasked: %s |\n",
                qPrintable(c.name), total, c.seconds > 0 ? double(total) / c.seconds : 0.0, least,
                most, qPrintable(ms(median(answerMs))), qPrintable(ms(percentile(answerMs, 90))),
                wrong, unasked, ok ? "yes" : "NO");
    return ok;
}

// Waits, 3 s at most, until the server that holds `device` counts no client: those
// that have gone count against its most clients until it has seen them go.
bool noClients(const QString& device) {
    QDeadlineTimer deadline(3000);
    while (!deadline.hasExpired()) {
        QString why;
        const std::optional<kx::ServerStatus> status = kx::askServer(device, &why);
        if (status && status->clients.isEmpty())
            return true;
        QThread::msleep(20);
    }
    return fail(QStringLiteral("kx-server still counts clients that have gone"));
}

} // namespace

int runServer(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    int count = 2000;
    double seconds = 5;
    int clients = 8;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--count"))
            count = std::max(2, args[++i].toInt());
        else if (args[i] == QLatin1String("--seconds"))
            seconds = std::max(0.5, args[++i].toDouble());
        else if (args[i] == QLatin1String("--clients"))
            clients = std::clamp(args[++i].toInt(), 1, 8); // kx-server takes 8 at most
    }

    // Private folders: the server's socket and the port map are this run's alone. This
    // process's own clients look for the socket there too.
    QTemporaryDir config, runtime;
    QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();

    Child sim(env);
    static const QRegularExpression simReady(QStringLiteral(R"(^kx-sim: \w+ on (\S+))"));
    const QString device =
        sim.start(QStringLiteral(KX_BENCH_SIM_PATH), {"--port", "3"}, simReady, false).captured(1);
    if (device.isEmpty())
        return failed(QStringLiteral("kx-sim did not start"));

    std::printf("kx-bench --server: %d x %s each way, %d clients for %.1f s; kx-sim on %s; "
                "nproc %d, load %s\n\n",
                count, timedQuery, clients, seconds, qPrintable(device),
                QThread::idealThreadCount(), qPrintable(loadAverage()));
    std::fflush(stdout);

    QHash<QByteArray, QByteArray> answers;
    QByteArray expected;
    QList<double> directMs, serverMs, oneOperationMs;
    if (!direct(device, count / 2, &expected, &directMs, &answers))
        return 1;
    if (expected.isEmpty())
        return failed(QStringLiteral("no answer to %1").arg(timedQuery));
    const QList<QByteArray> cycle = telling(candidateQueries, answers);
    if (cycle.size() < 3)
        return failed(QStringLiteral("too few queries with answers of their own"));

    quint16 tcpPort = 0;
    {
        QTcpServer probe; // a free loopback port, given back for the server to take
        if (!probe.listen(QHostAddress::LocalHost, 0))
            return failed(QStringLiteral("no free loopback port"));
        tcpPort = probe.serverPort();
    }
    auto server = std::make_unique<Child>(env);
    static const QRegularExpression serverReady(QStringLiteral("local socket"));
    if (!server
             ->start(QStringLiteral(KX_BENCH_SERVER_PATH),
                     {"-p", "3", "--listen", QStringLiteral("127.0.0.1:%1").arg(tcpPort)},
                     serverReady, true)
             .hasMatch())
        return failed(QStringLiteral("kx-server did not start: ") + server->said());

    {
        kx::RealClock clock;
        kx::SharedPort port(QStringLiteral("kx-bench"));
        kx::Exchange link(port, clock);
        if (!link.open(device) || !port.throughServer())
            return failed(QStringLiteral("kx::SharedPort did not go through kx-server"));
        if (!timeQueries(link, timedQuery, expected, warmUp, true, nullptr) ||
            !timeQueries(link, timedQuery, expected, count, true, &serverMs) ||
            !timeQueries(link, timedQuery, expected, count, false, &oneOperationMs))
            return 1;
    }

    const qint64 runNs = qint64(seconds * 1e9);
    if (!noClients(device))
        return 1;
    const Crowd network = crowd(
        QStringLiteral("%1 network clients (TCP), each at most %2 lines a second, evenly spaced")
            .arg(clients)
            .arg(networkLinesPerSecond),
        clients, [&](Client& c, int i) {
            c.tally = AnswerTally(answers);
            askOverNetwork(c, tcpPort, cycle, i, monotonicNs() + runNs, networkLinesPerSecond);
        });
    if (!noClients(device))
        return 1;
    const Crowd local = crowd(QStringLiteral("%1 local clients (kx::SharedPort), as fast as "
                                             "answered")
                                  .arg(clients),
                              clients, [&](Client& c, int i) {
                                  c.tally = AnswerTally(answers);
                                  askLocally(c, device, QStringLiteral("kx-bench client %1").arg(i),
                                             cycle, i, monotonicNs() + runNs);
                              });

    const int serverStatus = server->stop();
    const QString serverLog = server->said();
    server.reset();
    QList<double> directAfter;
    if (!direct(device, count - count / 2, &expected, &directAfter))
        return 1;
    directMs << directAfter;

    std::printf("| %s, one answer each | median | 90th percentile |\n|---|---|---|\n", timedQuery);
    std::printf("| kx::QtSerialPort on the device (kx-ctl without a server) | %s | %s |\n",
                qPrintable(ms(median(directMs))), qPrintable(ms(percentile(directMs, 90))));
    std::printf("| kx::SharedPort through kx-server, one operation each | %s | %s |\n",
                qPrintable(ms(median(serverMs))), qPrintable(ms(percentile(serverMs, 90))));
    std::printf("| kx::SharedPort through kx-server, all in one operation | %s | %s |\n",
                qPrintable(ms(median(oneOperationMs))),
                qPrintable(ms(percentile(oneOperationMs, 90))));
    const double added = median(serverMs) - median(directMs);
    const double added90 = percentile(serverMs, 90) - percentile(directMs, 90);
    std::printf("| added by kx-server, one operation each | %s | %s |\n\n", qPrintable(ms(added)),
                qPrintable(ms(added90)));
    std::printf("target: under 1 ms added per query on a pseudo-terminal: %s median, %s at the "
                "90th percentile: %s\n\n",
                qPrintable(ms(added)), qPrintable(ms(added90)),
                added < 1 && added90 < 1 ? "met" : "missed");

    QStringList asked;
    for (const QByteArray& q : cycle)
        asked << QString::fromLatin1(q);
    std::printf("Each client asks %s in turn, from its own place in that cycle.\n\n",
                qPrintable(asked.join(QStringLiteral(", "))));
    std::printf("| clients at once | answers | a second | per client | answer median | 90th "
                "percentile | own answers, in order |\n|---|---|---|---|---|---|---|\n");
    bool ok = printCrowd(network);
    ok = printCrowd(local) && ok;

    const int simStatus = sim.stop();
    static const QRegularExpression rejectedForm(
        QStringLiteral(R"(kx-sim: (\d+) lines? rejected)"));
    const QRegularExpressionMatch rejected = rejectedForm.match(sim.said());
    std::printf("\nkx-server ended with status %d; kx-sim ended with status %d, %s lines "
                "rejected\n",
                serverStatus, simStatus,
                rejected.hasMatch() ? qPrintable(rejected.captured(1)) : "(unknown)");
    ok = ok && serverStatus == 0 && simStatus == 0 && rejected.captured(1) == QLatin1String("0");
    if (!ok)
        std::fprintf(stderr, "kx-bench: kx-server's log:\n%s", qPrintable(serverLog));
    return ok ? 0 : 1;
}

} // namespace kxbench
