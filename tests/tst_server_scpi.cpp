// kx-server's network side: the line reader, the option parsers, and conversations of
// real TCP clients on loopback with a station on a fake port to the simulated generator,
// each stating what every client is answered and the lines the generator received.

#include "server/Scpi.h"
#include "support/FakeClock.h"
#include "support/FakeSerialPort.h"

#include <QTcpSocket>
#include <QtTest>

#include <map>
#include <memory>

using Violation = kxserver::LineReader::Violation;
Q_DECLARE_METATYPE(Violation)

namespace {

const QString range5 = QStringLiteral(
    "-222,\"refused (5): Range error! The entered value is outside the frequency range of the "
    "generator.\"");
const QString locked = QStringLiteral("-203,\"Command protected; instrument locked\"");
const QString undefined = QStringLiteral("-113,\"Undefined header\"");
const QString noError = QStringLiteral("0,\"No error\"");
const QString identity = QStringLiteral("KX25A Function Generator,SIM,1.0");

// The station on a fake port to the simulated generator, opened, and the server on it.
struct Rig {
    kxtest::FakeClock clock;
    kxtest::FakeSerialPort port{clock};
    kxsim::Generator generator{*kxsim::findProfile(QStringLiteral("KX25A"))};
    kxserver::Station station{port, clock};
    std::unique_ptr<kxserver::ScpiServer> server;
    std::map<QChar, std::unique_ptr<QTcpSocket>> clients;
    qint64 sent = 0; // lines the clients sent that the server must read

    explicit Rig(const QString& options) {
        kxserver::ScpiOptions o;
        for (const QString& option : options.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const QString value = option.section(QLatin1Char('='), 1);
            if (option.startsWith(QLatin1String("allow="))) {
                QString why;
                o.allow << *kxserver::parseAllow(value, &why);
            } else if (option.startsWith(QLatin1String("max="))) {
                o.maxClients = value.toInt();
            } else if (option.startsWith(QLatin1String("rate="))) {
                o.maxLinesPerSecond = value.toInt();
            } else if (option.startsWith(QLatin1String("lock="))) {
                o.lockTimeoutMs = value.toInt();
            }
        }
        port.answerFrom(generator);
        QString why;
        if (!station.open(QStringLiteral("/dev/fake"), &why))
            qFatal("station: %s", qPrintable(why));
        port.lines.clear();
        server = std::make_unique<kxserver::ScpiServer>(station, o);
        if (!server->listen(QHostAddress::LocalHost, 0, &why))
            qFatal("listen: %s", qPrintable(why));
    }

    QTcpSocket& client(QChar name) {
        std::unique_ptr<QTcpSocket>& s = clients[name];
        if (!s) {
            s = std::make_unique<QTcpSocket>();
            s->connectToHost(QHostAddress::LocalHost, server->port());
            if (!s->waitForConnected(5000))
                qFatal("client %c cannot connect", name.toLatin1());
        }
        return *s;
    }
};

// Runs the steps from `i` on, up to a "release" or the end. A step names a client by
// its letter (connected when first named):
//   "A> text"  sends the text and an LF, and waits until the server has read its lines;
//   "A>> text" sends the bytes as they are, with nothing more and no wait;
//   "A< text"  the client's next line is the text;
//   "A closed" the server closes the client, after the lines stated before;
//   "A bye"    the client goes, and the server has seen it go;
//   "hold" ... "release": the steps between run inside a job of the station, which
//   does nothing else meanwhile; "pull": the generator's cable is pulled; "mute": the
//   generator answers nothing from now on; "silence N": N ms pass on the clock, and the
//   server's timers have their turn.
void run(Rig& rig, const QStringList& steps, qsizetype& i) {
    for (; i < steps.size(); ++i) {
        const QString& step = steps[i];
        if (step == QLatin1String("release"))
            return;
        if (step == QLatin1String("hold")) {
            bool ran = false;
            const qsizetype from = ++i;
            rig.station.queue(rig.station.join(QStringLiteral("test")), false, [&] {
                run(rig, steps, i);
                ran = true;
            });
            QTRY_VERIFY2(ran, qPrintable(steps.mid(from).join(" | ")));
            continue;
        }
        if (step == QLatin1String("pull")) {
            rig.port.pullCable();
            continue;
        }
        if (step == QLatin1String("mute")) {
            rig.port.responder = [](const QByteArray&) {
                return QList<kxtest::FakeSerialPort::Chunk>{};
            };
            continue;
        }
        if (step.startsWith(QLatin1String("silence "))) {
            rig.clock.advance(step.section(QLatin1Char(' '), 1).toInt());
            QTest::qWait(400);
            continue;
        }
        QTcpSocket& s = rig.client(step.at(0));
        const QString what = step.mid(1).trimmed().section(QLatin1Char(' '), 0, 0);
        const QString text = step.section(QLatin1Char(' '), 1);
        if (what == QLatin1String(">>")) {
            s.write(text.toLatin1());
        } else if (what == QLatin1String(">")) {
            s.write(text.toLatin1() + '\n');
            rig.sent += text.split(QLatin1Char('\n'), Qt::SkipEmptyParts).size();
            QTRY_COMPARE(rig.server->linesRead(), rig.sent);
        } else if (what == QLatin1String("<")) {
            QTRY_VERIFY2(s.canReadLine(), qPrintable(step));
            QCOMPARE(QString::fromLatin1(s.readLine()), text + QLatin1Char('\n'));
        } else if (what == QLatin1String("closed")) {
            QTRY_COMPARE(s.state(), QAbstractSocket::UnconnectedState);
            QCOMPARE(s.bytesAvailable(), 0);
        } else if (what == QLatin1String("bye")) {
            const int before = rig.server->clientCount();
            s.disconnectFromHost();
            QTRY_COMPARE(rig.server->clientCount(), before - 1);
        } else {
            QFAIL(qPrintable(QStringLiteral("no such step: ") + step));
        }
    }
}

} // namespace

class ScpiTest : public QObject {
    Q_OBJECT
private slots:
    void lineReader_data();
    void lineReader();
    void listenAndAllow_data();
    void listenAndAllow();
    void conversation_data();
    void conversation();
};

void ScpiTest::lineReader_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("bound");
    QTest::addColumn<QList<QByteArray>>("lines");
    QTest::addColumn<Violation>("violation");
    using L = QList<QByteArray>;
    const QByteArray longest(256, 'A');
    QTest::newRow("lf, cr lf, blanks")
        << QByteArray("FREQ?\nAMPL?\r\n\n  \r\n") << 100 << L{"FREQ?", "AMPL?"} << Violation::None;
    QTest::newRow("256 bytes") << longest + "\r\n" << 100 << L{longest} << Violation::None;
    QTest::newRow("257 bytes") << longest + "A\n" << 100 << L{} << Violation::TooLong;
    QTest::newRow("cr alone") << QByteArray("OUT?\nFREQ?\rAMPL?\n") << 100 << L{"OUT?"}
                              << Violation::BadByte;
    QTest::newRow("nul") << QByteArray("OUT?\n\0\n", 7) << 100 << L{"OUT?"} << Violation::BadByte;
    QTest::newRow("tab") << QByteArray("FREQ\t1\n") << 100 << L{} << Violation::BadByte;
    QTest::newRow("latin-1") << QByteArray("FREQ \xb5\n") << 100 << L{} << Violation::BadByte;
    QTest::newRow("at the bound") << QByteArray("A\nB\n\nC\n") << 4 << L{"A", "B", "C"}
                                  << Violation::None;
    QTest::newRow("over the bound")
        << QByteArray("A\nB\n\nC\nD\n") << 4 << L{"A", "B", "C"} << Violation::TooFast;
}

void ScpiTest::lineReader() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, bound);
    QFETCH(QList<QByteArray>, lines);
    QFETCH(Violation, violation);
    kxserver::LineReader reader(bound);
    QList<QByteArray> got;
    QCOMPARE(reader.take(bytes, 0, &got), violation);
    QCOMPARE(got, lines);
    // A second later the bound counts afresh; after a violation nothing more is read.
    QList<QByteArray> more;
    reader.take("E\n", 1000, &more);
    QCOMPARE(more, violation == Violation::None ? QList<QByteArray>{"E"} : QList<QByteArray>{});
}

void ScpiTest::listenAndAllow_data() {
    QTest::addColumn<bool>("listen");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("address"); // empty: refused
    QTest::addColumn<int>("number");      // the port or the bits
    QTest::newRow("port") << true << "5025"
                          << "127.0.0.1" << 5025;
    QTest::newRow("ipv4:port") << true << "0.0.0.0:5025"
                               << "0.0.0.0" << 5025;
    QTest::newRow("[ipv6]:port") << true << "[::1]:6000"
                                 << "::1" << 6000;
    QTest::newRow("bare ipv6") << true << "::1:6000"
                               << "" << 0;
    QTest::newRow("port 0") << true << "0"
                            << "" << 0;
    QTest::newRow("port too big") << true << "65536"
                                  << "" << 0;
    QTest::newRow("port not digits") << true << "50x5"
                                     << "" << 0;
    QTest::newRow("short ipv4") << true << "10.1:5025"
                                << "" << 0;
    QTest::newRow("host name") << true << "localhost:5025"
                               << "" << 0;
    QTest::newRow("ipv4 alone") << false << "10.0.0.7"
                                << "10.0.0.7" << 32;
    QTest::newRow("ipv4/bits") << false << "192.168.1.0/24"
                               << "192.168.1.0" << 24;
    QTest::newRow("ipv6/bits") << false << "fd00::/8"
                               << "fd00::" << 8;
    QTest::newRow("ipv6 alone") << false << "::1"
                                << "::1" << 128;
    QTest::newRow("bits too many") << false << "10.0.0.0/33"
                                   << "" << 0;
    QTest::newRow("bits empty") << false << "10.0.0.0/"
                                << "" << 0;
    QTest::newRow("no address") << false << "/8"
                                << "" << 0;
}

void ScpiTest::listenAndAllow() {
    QFETCH(bool, listen);
    QFETCH(QString, text);
    QFETCH(QString, address);
    QFETCH(int, number);
    QString why;
    std::optional<std::pair<QHostAddress, int>> got;
    if (listen) {
        if (const auto at = kxserver::parseListen(text, &why))
            got = std::pair{at->address, int(at->port)};
    } else if (const auto subnet = kxserver::parseAllow(text, &why)) {
        got = std::pair{subnet->first, subnet->second};
    }
    QCOMPARE(got.has_value(), !address.isEmpty());
    QCOMPARE(why.isEmpty(), got.has_value());
    if (got)
        QCOMPARE(*got, std::pair(QHostAddress(address), number));
}

void ScpiTest::conversation_data() {
    QTest::addColumn<QString>("options");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("generator"); // the lines it received, in order
    const QString lock = QStringLiteral("A> SYST:LOCK:REQ?");
    QTest::newRow("queries, any case")
        << "" << QStringList{"A> *idn?",      "A< " + identity, "A> freq?",
                             "A< 1.00000E+3", "A> SYST:ERR?",   "A< " + noError}
        << QStringList{"FREQ?"};
    QTest::newRow("two clients interleaved")
        << "" << QStringList{"hold",          "A> FREQ?\nOFFS?", "B> AMPL?\r\nOUT?", "release",
                             "A< 1.00000E+3", "A< 0.00000E+0",   "B< 5.00000E+0",    "B< 0"}
        << QStringList{"FREQ?", "AMPL?", "OFFS?", "OUT?"};
    QTest::newRow("unknown query and line")
        << ""
        << QStringList{"A> VOLT?",
                       "A< ",
                       lock,
                       "A< 1",
                       "A> VOLT 3",
                       "A> FUNC SAW",
                       "A> syst:err?",
                       "A< " + undefined,
                       "A> SYST:ERR?",
                       "A< " + undefined,
                       "A> SYSTEM:ERROR?",
                       "A< -100,\"Command error; FUNC takes SIN, SQU, TRI, not SAW\"",
                       "A> SYST:ERR?",
                       "A< " + noError}
        << QStringList{};
    QTest::newRow("a setting, as the panel sends it")
        << "" << QStringList{lock,       "A< 1",         "A> freq  2.5 khz", "A> SWSTO 3KHZ",
                             "A> FREQ?", "A< 2.50000E+3"}
        << QStringList{"*IDN?", "FUNC?", "FREQ 2.5KHZ", "*IDN?", "FUNC?", "SWSTO 3kHZ", "FREQ?"};
    QTest::newRow("refused: nothing sent")
        << ""
        << QStringList{lock,
                       "A< 1",
                       "A> FREQ 30MHZ",
                       "A> DCYC 30",
                       "A> SYST:ERR?",
                       "A< " + range5,
                       "A> SYST:ERR?",
                       "A< -222,\"refused (9): Input error! Duty cycle is for square and "
                       "ramp waveforms only.\"",
                       "A> *SAV 20",
                       "A> SYST:ERR?",
                       "A< -222,\"refused: Number outside of valid range.\"",
                       "A> *RCL 3",
                       "A> SYST:ERR?",
                       "A< " + noError}
        << QStringList{"*IDN?", "FUNC?", "FUNC?", "FREQ?", "*IDN?", "*IDN?", "*RCL 3"};
    QTest::newRow("without the lock: -203")
        << "" << QStringList{"A> AMPL 2",    "A> OUT ON",    "A> SYST:ERR?", "A< " + locked,
                             "A> SYST:ERR?", "A< " + locked, "A> OUT?",      "A< 0"}
        << QStringList{"OUT?"};
    QTest::newRow("lock held, released on leaving, taken by the other")
        << "" << QStringList{lock,
                             "A< 1",
                             "B> SYST:LOCK:REQ?",
                             "B< 0",
                             "B> OUT ON",
                             "B> SYST:ERR?",
                             "B< " + locked,
                             "B> SYST:LOCK:OWN?",
                             "B< 0",
                             "A> syst:lock:owner?",
                             "A< 1",
                             "A bye",
                             "B> SYST:LOCK:REQ?",
                             "B< 1",
                             "B> OUT ON",
                             "B> OUT?",
                             "B< 1"}
        << QStringList{"OUT ON", "OUT?"};
    QTest::newRow("lock released") << "" << QStringList{lock,
                                                        "A< 1",
                                                        "A> :SYSTEM:LOCK:RELEASE",
                                                        "A> SYST:LOCK:OWN?",
                                                        "A< 0",
                                                        "B> SYST:LOCK:REQ?",
                                                        "B< 1"}
                                   << QStringList{};
    QTest::newRow("lock lapses after the holder's silence") << "lock=5000"
                                                            << QStringList{lock,
                                                                           "A< 1",
                                                                           "silence 4000",
                                                                           "B> SYST:LOCK:REQ?",
                                                                           "B< 0",
                                                                           "silence 1500",
                                                                           "B> SYST:LOCK:REQ?",
                                                                           "B< 1",
                                                                           "A> SYST:LOCK:OWN?",
                                                                           "A< 0"}
                                                            << QStringList{};
    QTest::newRow("unanswered: an empty line and -240")
        << ""
        << QStringList{"mute", "A> FREQ?", "A< ", "A> SYST:ERR?",
                       "A< -240,\"No valid answer from the generator to FREQ?\""}
        << QStringList{"FREQ?"};
    QStringList overflow{"A> " + QStringList(21, "X").join('\n')};
    for (int i = 0; i < 19; ++i)
        overflow << "A> SYST:ERR?"
                 << "A< " + undefined;
    overflow << "A> SYST:ERR?"
             << "A< -350,\"Queue overflow\""
             << "A> SYST:ERR?"
             << "A< " + noError;
    QTest::newRow("error queue overflow") << "" << overflow << QStringList{};
    QTest::newRow("at the line bound")
        << "rate=3" << QStringList{"A> OUT?\nOUT?\nOUT?", "A< 0", "A< 0", "A< 0"}
        << QStringList{"OUT?", "OUT?", "OUT?"};
    QTest::newRow("flooding: told and disconnected")
        << "rate=3"
        << QStringList{"A>> OUT?\nOUT?\nOUT?\nOUT?\n",
                       "A< -223,\"Too much data; too many lines a second\"", "A closed"}
        << QStringList{};
    QTest::newRow("binary: told and disconnected")
        << "" << QStringList{"A>> FREQ?\x01\n", "A< -101,\"Invalid character\"", "A closed"}
        << QStringList{};
    QTest::newRow("overlong: told and disconnected")
        << ""
        << QStringList{"A>> " + QString(257, 'A'),
                       "A< -223,\"Too much data; a line is longer than 256 bytes\"", "A closed"}
        << QStringList{};
    QTest::newRow("outside the allow-list")
        << "allow=10.0.0.0/8" << QStringList{"A closed"} << QStringList{};
    QTest::newRow("inside the allow-list")
        << "allow=10.0.0.0/8 allow=127.0.0.0/8" << QStringList{"A> *IDN?", "A< " + identity}
        << QStringList{};
    QTest::newRow("one client too many")
        << "max=1" << QStringList{"A> *IDN?", "A< " + identity, "B closed", "A> OUT?", "A< 0"}
        << QStringList{"OUT?"};
    QTest::newRow("generator lost: everyone told")
        << ""
        << QStringList{"A> OUT?",
                       "A< 0",
                       "B> OUT?",
                       "B< 0",
                       "pull",
                       "A< -300,\"Device-specific error; the line to the generator was "
                       "lost\"",
                       "A closed",
                       "B< -300,\"Device-specific error; the line to the "
                       "generator was lost\"",
                       "B closed"}
        << QStringList{"OUT?", "OUT?"};
}

void ScpiTest::conversation() {
    QFETCH(QString, options);
    QFETCH(QStringList, steps);
    QFETCH(QStringList, generator);
    Rig rig(options);
    qsizetype i = 0;
    run(rig, steps, i);
    if (QTest::currentTestFailed())
        return;
    QTest::qWait(20);
    for (const auto& [name, s] : rig.clients)
        QVERIFY2(s->bytesAvailable() == 0, qPrintable(QString(name) + ": " + s->readAll()));
    QStringList received;
    for (const QByteArray& line : rig.port.lines)
        received << QString::fromLatin1(line);
    QCOMPARE(received, generator);
    QCOMPARE(rig.generator.rejectedCount(), 0);
}

QTEST_GUILESS_MAIN(ScpiTest)
#include "tst_server_scpi.moc"
