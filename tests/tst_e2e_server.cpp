// End to end: kx-server holding kx-sim's port 3 (a private configuration and runtime
// folder), with kx-ctl and a client of the local protocol going through it at once, on
// the real clock. kx-sim must have rejected none of the lines.

#include "support/MessageRecorder.h"
#include "support/SimProcess.h"

#include "app/Main.h"
#include "kit/ShapeWidget.h"
#include "link/Traffic.h"
#include "ui_Main.h"

#include "share/Frame.h"
#include "share/Places.h"

#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace kxtest;
namespace frame = kx::frame;

namespace {

struct Run {
    int status = -1;
    QString out;
    QString err;
};

QProcessEnvironment environment(const SimProcess& sim) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), sim.config.path());
    return env;
}

std::unique_ptr<QProcess> start(const SimProcess& sim, const QString& program,
                                const QStringList& args, const QByteArray& input = {}) {
    auto p = std::make_unique<QProcess>();
    p->setProcessEnvironment(environment(sim));
    p->start(program, args);
    p->write(input);
    p->closeWriteChannel();
    return p;
}

Run finish(QProcess& p) {
    Run r;
    // It may have ended already, while the panel's event loop ran.
    if ((p.state() != QProcess::NotRunning && !p.waitForFinished(30000)) ||
        p.exitStatus() != QProcess::NormalExit)
        return r;
    r.status = p.exitCode();
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

Run ctl(const SimProcess& sim, const QStringList& args, const QByteArray& input = {}) {
    return finish(*start(sim, QStringLiteral(KX_CTL_PATH), args, input));
}

// kx-server on port 3, once it has said it serves.
struct Server {
    std::unique_ptr<QProcess> process;
    QString log;

    bool start(const SimProcess& sim, QString* why) {
        process = ::start(sim, QStringLiteral(KX_SERVER_PATH), {"-p", "3"});
        // It speaks on standard error.
        process->setReadChannel(QProcess::StandardError);
        QDeadlineTimer deadline(10000);
        while (!log.contains(QLatin1String("local socket")) && !deadline.hasExpired()) {
            if (!process->waitForReadyRead(int(deadline.remainingTime())))
                break;
            log += QString::fromLocal8Bit(process->readAllStandardError());
        }
        *why = log;
        return log.contains(QLatin1String("local socket"));
    }
    ~Server() {
        if (process && process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished(3000);
        }
    }
};

// A client of the local protocol that only listens: what the others sent, in order.
struct Observer {
    QLocalSocket socket;
    frame::Reader reader;
    QList<frame::Message> heard;

    bool connect(const QString& device) {
        socket.connectToServer(kx::socketPath(device));
        if (!socket.waitForConnected(2000))
            return false;
        socket.write(frame::encode(frame::hello, {"observer"}));
        socket.flush();
        return take([this] { return !heard.isEmpty(); }) &&
               heard.first().word == QByteArray(frame::welcome);
    }
    // Reads until `done`, or for 5 s at most.
    bool take(const std::function<bool()>& done) {
        QDeadlineTimer deadline(5000);
        while (!done() && !deadline.hasExpired()) {
            socket.waitForReadyRead(50);
            reader.feed(socket.readAll());
            while (const std::optional<frame::Message> m = reader.next())
                heard << *m;
        }
        return done();
    }
    // "client: line = answer" of every TRAFFIC heard.
    QStringList traffic() const {
        QStringList all;
        for (const frame::Message& m : heard) {
            if (m.word == frame::traffic)
                all << QString::fromUtf8(m.field(0) + ": " + m.field(1) + " = " + m.field(2));
        }
        return all;
    }
};

} // namespace

class EndToEndServerTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void twoAtOnce_data();
    void twoAtOnce();
    void notInterleaved();
    void panelThroughServer();
    void serverStatus_data();
    void serverStatus();
    void refused_data();
    void refused();
    void sigterm();

private:
    QTemporaryDir runtime_;
};

void EndToEndServerTest::initTestCase() {
    // The server's socket, and where every client here looks for it.
    qputenv("XDG_RUNTIME_DIR", runtime_.path().toLocal8Bit());
}

// Two kx-ctl runs on the same port at once: both done, each with its own answers.
void EndToEndServerTest::twoAtOnce_data() {
    QTest::addColumn<QStringList>("first");
    QTest::addColumn<QString>("firstOut");
    QTest::addColumn<QStringList>("second");
    QTest::addColumn<QString>("secondOut");
    QTest::newRow("status and a setting")
        << QStringList{"-p", "3", "status"} << QStringLiteral("waveform: sine\n")
        << QStringList{"-p", "3", "set", "amplitude", "2V"}
        << QStringLiteral("amplitude: 2.00000 V\n");
    QTest::newRow("identify twice") << QStringList{"-p", "3", "identify"}
                                    << QStringLiteral("KX25A Function Generator,SIM,1.0\n")
                                    << QStringList{"-p", "3", "identify"}
                                    << QStringLiteral("KX25A Function Generator,SIM,1.0\n");
    QTest::newRow("a sent query and a setting")
        << QStringList{"-p", "3", "send", "OUT?"} << QStringLiteral("0\n")
        << QStringList{"-p", "3", "set", "frequency", "2.5kHz"}
        << QStringLiteral("frequency: 2.50000 kHz\n");
}

void EndToEndServerTest::twoAtOnce() {
    QFETCH(QStringList, first);
    QFETCH(QString, firstOut);
    QFETCH(QStringList, second);
    QFETCH(QString, secondOut);
    SimProcess sim;
    Server server;
    QString why;
    QVERIFY2(sim.start({"--port", "3", "--model", "KX25A"}, &why), qPrintable(why));
    QVERIFY2(server.start(sim, &why), qPrintable(why));
    auto a = start(sim, QStringLiteral(KX_CTL_PATH), first);
    auto b = start(sim, QStringLiteral(KX_CTL_PATH), second);
    const Run ra = finish(*a);
    const Run rb = finish(*b);
    QCOMPARE(ra.err, QString());
    QCOMPARE(rb.err, QString());
    QCOMPARE(ra.status, 0);
    QCOMPARE(rb.status, 0);
    QVERIFY2(ra.out.startsWith(firstOut), qPrintable(ra.out));
    QVERIFY2(rb.out.startsWith(secondOut), qPrintable(rb.out));
    QCOMPARE(sim.rejectedOnExit(), 0);
}

// A sweep type's four lines, two kinds at once, and a status read: each client's lines
// reach the generator together, none of another's between them.
void EndToEndServerTest::notInterleaved() {
    SimProcess sim;
    Server server;
    QString why;
    QVERIFY2(sim.start({"--port", "3", "--model", "KX25A"}, &why), qPrintable(why));
    QVERIFY2(server.start(sim, &why), qPrintable(why));
    Observer observer;
    QVERIFY(observer.connect(sim.device));
    auto lin = start(sim, QStringLiteral(KX_CTL_PATH), {"-p", "3", "set", "sweep", "lin"});
    auto status = start(sim, QStringLiteral(KX_CTL_PATH), {"-p", "3", "status"});
    auto log = start(sim, QStringLiteral(KX_CTL_PATH), {"-p", "3", "set", "sweep", "log"});
    QList<qint64> pids{lin->processId(), status->processId(), log->processId()};
    for (QProcess* p : {lin.get(), status.get(), log.get()})
        QCOMPARE(finish(*p).status, 0);
    QVERIFY(observer.take([&] { return observer.traffic().size() >= 4 + 8 + 4; }));

    // Client by client, in the order they had their turn.
    QStringList order;
    QMap<QString, QStringList> lines;
    for (const QString& t : observer.traffic()) {
        const QString who = t.section(QStringLiteral(": "), 0, 0);
        if (order.isEmpty() || order.last() != who)
            order << who;
        lines[who] << t.section(QStringLiteral(": "), 1);
    }
    QCOMPARE(order.size(), 3);
    QCOMPARE(QSet<QString>(order.begin(), order.end()).size(), 3);
    const auto of = [&](qint64 pid) {
        return lines.value(QStringLiteral("kx-ctl (pid %1)").arg(pid));
    };
    QCOMPARE(of(pids[0]), (QStringList{"MODE CONT = ", "MODUL OFF = ", "SWE LIN = ", "SWE ON = "}));
    QCOMPARE(of(pids[2]), (QStringList{"MODE CONT = ", "MODUL OFF = ", "SWE LOG = ", "SWE ON = "}));
    QCOMPARE(of(pids[1]).size(), 8);
    QVERIFY2(of(pids[1]).first().startsWith(QLatin1String("FUNC? = ")),
             qPrintable(of(pids[1]).join('|')));
    QCOMPARE(sim.rejectedOnExit(), 0);
}

// The panel's Connect and a setting, while kx-ctl's sweep holds the turn: the panel waits
// for it, then works as on a port of its own.
void EndToEndServerTest::panelThroughServer() {
    SimProcess sim;
    Server server;
    QString why;
    QVERIFY2(sim.start({"--port", "3", "--model", "KX25A"}, &why), qPrintable(why));
    QVERIFY2(server.start(sim, &why), qPrintable(why));
    Observer observer;
    QVERIFY(observer.connect(sim.device));
    auto sweep = start(sim, QStringLiteral(KX_CTL_PATH), {"-p", "3", "set", "sweep", "lin"});
    const QString ctl = QStringLiteral("kx-ctl (pid %1): ").arg(sweep->processId());
    QVERIFY(observer.take([&] { return !observer.traffic().isEmpty(); }));

    kx::Seams seams;
    auto recorder = std::make_unique<MessageRecorder>();
    MessageRecorder* boxes = recorder.get();
    seams.boxes = std::move(recorder);
    seams.configDir = sim.config.path();
    kx::Main panel(std::move(seams));
    panel.ui().comPort->setEditText(QStringLiteral("3"));
    panel.ui().connectBtn->click();
    QVERIFY2(boxes->boxes.isEmpty(), qPrintable(boxes->boxes.value(0).text));
    QCOMPARE(panel.ui().PortOpenStat->fillColor(), QColor(0, 255, 0));
    QVERIFY2(panel.ui().message->text().startsWith(QLatin1String("KX25A")),
             qPrintable(panel.ui().message->text()));
    QCOMPARE(panel.ui().funcIndicator->text(), QStringLiteral("Linear Sweep"));
    panel.ui().setF->setText(QStringLiteral("2500"));
    panel.ui().freqHz->click();
    QCOMPARE(panel.ui().frequency->text(), QStringLiteral("2.50000"));
    QCOMPARE(finish(*sweep).status, 0);

    QVERIFY(observer.take([&] { return observer.traffic().size() >= 4 + 2; }));
    const QStringList traffic = observer.traffic();
    QCOMPARE(traffic.mid(0, 4), (QStringList{ctl + "MODE CONT = ", ctl + "MODUL OFF = ",
                                             ctl + "SWE LIN = ", ctl + "SWE ON = "}));
    QVERIFY2(traffic.mid(4).filter(ctl).isEmpty(), qPrintable(traffic.join('|')));
    QVERIFY2(traffic.contains(QStringLiteral("%1 (pid %2): FREQ 2500HZ = ")
                                  .arg(QCoreApplication::applicationName())
                                  .arg(QCoreApplication::applicationPid())),
             qPrintable(traffic.join('|')));

    // A script's setting shows on the panel, with who made it.
    auto script = start(sim, QStringLiteral(KX_CTL_PATH), {"-p", "3", "set", "amplitude", "3.5V"});
    const qint64 pid = script->processId();
    QCOMPARE(finish(*script).status, 0);
    QTRY_COMPARE_WITH_TIMEOUT(panel.ui().amp->text(), QStringLiteral("3.50000"), 5000);
    QCOMPARE(panel.ui().message->text(),
             QStringLiteral("Changed by kx-ctl (pid %1): AMPL 3.5").arg(pid));
    QVERIFY(panel.traffic().plainText().contains(
        QStringLiteral(">  AMPL 3.5<CR>  [kx-ctl (pid %1)]").arg(pid)));
    panel.ui().closeBtn->click();
    QCOMPARE(sim.rejectedOnExit(), 0);
}

// kx-ctl server-status: who is connected and who holds the lock; none without a server.
void EndToEndServerTest::serverStatus_data() {
    QTest::addColumn<bool>("withServer");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    QTest::newRow("clients and the lock")
        << true << QStringList{"-p", "3", "server-status"} << 0
        << QStringLiteral("server: KX25A Function Generator,SIM,1.0 on %1\n"
                          "client: observer\nlock: free\n")
        << QString();
    QTest::newRow("as JSON") << true << QStringList{"-p", "3", "--json", "server-status"} << 0
                             << QStringLiteral("{\"client\":\"observer\",\"command\":\"server-"
                                               "status\",\"sent\":[]}\n")
                             << QString();
    QTest::newRow("no server") << false << QStringList{"-p", "3", "server-status"} << 3 << QString()
                               << QStringLiteral("kx-ctl: port 3 (%1): no kx-server holds it\n");
    QTest::newRow("a word too many")
        << false << QStringList{"-p", "3", "server-status", "now"} << 2 << QString()
        << QStringLiteral("kx-ctl: server-status takes no argument\nTry kx-ctl --help.\n");
}

void EndToEndServerTest::serverStatus() {
    QFETCH(bool, withServer);
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);
    SimProcess sim;
    Server server;
    Observer observer;
    QString why;
    QVERIFY2(sim.start({"--port", "3", "--model", "KX25A"}, &why), qPrintable(why));
    if (withServer) {
        QVERIFY2(server.start(sim, &why), qPrintable(why));
        QVERIFY(observer.connect(sim.device));
    }
    const Run r = ctl(sim, args);
    QCOMPARE(r.err, err.contains(QLatin1String("%1")) ? err.arg(sim.link) : err);
    if (args.contains(QLatin1String("--json")))
        QVERIFY2(r.out.contains(out), qPrintable(r.out));
    else
        QCOMPARE(r.out, out.contains(QLatin1String("%1")) ? out.arg(sim.link) : out);
    QCOMPARE(r.status, status);
    QCOMPARE(sim.rejectedOnExit(), 0);
}

// kx-server refuses to start: its exit status and first line.
void EndToEndServerTest::refused_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("err");
    QTest::newRow("another server") << QStringList{"-p", "3"} << 3
                                    << QStringLiteral("kx-server: port 3 (%1): another kx-server "
                                                      "holds it (%2)\n");
    QTest::newRow("no such device") << QStringList{"-d", "/dev/kx-none"} << 3
                                    << QStringLiteral("kx-server: /dev/kx-none: no such device\n");
    QTest::newRow("not a serial port") << QStringList{"-d", "/dev/null"} << 3
                                       << QStringLiteral("kx-server: /dev/null is not a serial "
                                                         "port\n");
    QTest::newRow("no port") << QStringList{} << 2
                             << QStringLiteral("kx-server: no port given: -p N or -d DEVICE\n"
                                               "Try kx-server --help.\n");
    QTest::newRow("a bad listen") << QStringList{"-p", "3", "--listen", "host:x"} << 2
                                  << QStringLiteral("kx-server: --listen host:x: not an IPv4 or "
                                                    "IPv6 address: host\nTry kx-server --help.\n");
    QTest::newRow("a bad allow") << QStringList{"-p", "3", "--allow", "10.0.0.0/40"} << 2
                                 << QStringLiteral(
                                        "kx-server: --allow 10.0.0.0/40: the bits after / "
                                        "are a number from 0 to 32: 10.0.0.0/40\n"
                                        "Try kx-server --help.\n");
    QTest::newRow("no clients") << QStringList{"-p", "3", "--max-clients", "0"} << 2
                                << QStringLiteral("kx-server: --max-clients takes 1 to 1000, not "
                                                  "0\nTry kx-server --help.\n");
}

void EndToEndServerTest::refused() {
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, err);
    SimProcess sim;
    Server server;
    QString why;
    QVERIFY2(sim.start({"--port", "3"}, &why), qPrintable(why));
    if (err.contains(QLatin1String("another")))
        QVERIFY2(server.start(sim, &why), qPrintable(why));
    const Run r = finish(*start(sim, QStringLiteral(KX_SERVER_PATH), args));
    QCOMPARE(r.err, err.contains(QLatin1String("%2"))
                        ? err.arg(sim.link, kx::socketPath(sim.device))
                        : err);
    QCOMPARE(r.status, status);
    QCOMPARE(sim.rejectedOnExit(), 0);
}

// SIGTERM: the clients are told, the socket is removed, the port released: kx-ctl opens
// it itself again.
void EndToEndServerTest::sigterm() {
    SimProcess sim;
    Server server;
    QString why;
    QVERIFY2(sim.start({"--port", "3"}, &why), qPrintable(why));
    QVERIFY2(server.start(sim, &why), qPrintable(why));
    Observer observer;
    QVERIFY(observer.connect(sim.device));
    const QString socket = kx::socketPath(sim.device);
    QVERIFY(QFileInfo::exists(socket));
    server.process->terminate();
    const Run r = finish(*server.process);
    QCOMPARE(r.status, 0);
    QVERIFY2(r.err.contains(QLatin1String("stopping: signal 15")), qPrintable(r.err));
    QVERIFY(!QFileInfo::exists(socket));
    QVERIFY(observer.take([&] {
        return !observer.heard.isEmpty() && observer.heard.last().word == QByteArray(frame::bye);
    }));
    const Run after = ctl(sim, {"-p", "3", "identify"});
    QCOMPARE(after.err, QString());
    QCOMPARE(after.status, 0);
    QCOMPARE(sim.rejectedOnExit(), 0);
}

QTEST_MAIN(EndToEndServerTest)
#include "tst_e2e_server.moc"
