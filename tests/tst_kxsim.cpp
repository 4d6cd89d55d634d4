// The kx-sim executable, run for real and spoken to over its pseudo-terminal: its strict
// reading and the count of rejected lines (asked over the line, and in its exit line),
// --lenient, and the echo fault.

#include "support/Files.h"
#include "support/SimProcess.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <unistd.h>

namespace {

using Simulator = kxtest::SimProcess;

int openDevice(const QString& path) {
    return ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
}

// Writes all of `bytes`, in pieces where the line takes no more at once; false when
// it fails, or does not take them within two seconds.
bool writeAll(int fd, const QByteArray& bytes) {
    qsizetype sent = 0;
    QDeadlineTimer deadline(2000);
    while (sent < bytes.size() && !deadline.hasExpired()) {
        pollfd wait{fd, POLLOUT, 0};
        if (::poll(&wait, 1, static_cast<int>(deadline.remainingTime())) <= 0)
            return false;
        const ssize_t count = ::write(fd, bytes.constData() + sent, bytes.size() - sent);
        if (count < 0 && errno != EAGAIN)
            return false;
        sent += std::max<ssize_t>(count, 0);
    }
    return sent == bytes.size();
}

// Reads until `enough` holds for what came, or the time is up.
template <class Enough> QByteArray readUntil(int fd, int timeoutMs, Enough enough) {
    QByteArray got;
    QDeadlineTimer deadline(timeoutMs);
    while (!enough(got) && !deadline.hasExpired()) {
        pollfd wait{fd, POLLIN, 0};
        if (::poll(&wait, 1, static_cast<int>(deadline.remainingTime())) <= 0)
            break;
        char buffer[256];
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count <= 0)
            break;
        got.append(buffer, count);
    }
    return got;
}

// Reads until the text ends with `end` or the time is up.
QByteArray readReply(int fd, int timeoutMs, const QByteArray& end = "\r") {
    return readUntil(fd, timeoutMs, [&](const QByteArray& got) { return got.endsWith(end); });
}

// Reads until `size` bytes have come or the time is up.
QByteArray readBytes(int fd, qsizetype size, int timeoutMs) {
    return readUntil(fd, timeoutMs, [&](const QByteArray& got) { return got.size() >= size; });
}

// Whether the other end of the line has gone: poll reports a hang-up, or read no data.
bool lineIsGone(int fd, int timeoutMs) {
    pollfd wait{fd, POLLIN, 0};
    if (::poll(&wait, 1, timeoutMs) <= 0)
        return false;
    if (wait.revents & POLLHUP)
        return true;
    char byte;
    return ::read(fd, &byte, 1) <= 0 && errno != EAGAIN;
}

} // namespace

class tst_kxsim : public QObject {
    Q_OBJECT

private slots:
    void answersAndSurvivesReopen();
    void answerLineEndAndLatency();
    void hangUpFaultClosesLineAndRemovesLink();
    void refusesPortHeldByAFile();
    void strictRejectsCountsAndLogs_data();
    void strictRejectsCountsAndLogs();
    void echoFault_data();
    void echoFault();
    void exitLine_data();
    void exitLine();
};

void tst_kxsim::answersAndSurvivesReopen() {
    Simulator sim;
    QVERIFY(sim.config.isValid());
    // A link left behind by a simulator that was killed: it dangles and is replaced.
    QVERIFY(QDir().mkpath(sim.portsFolder()));
    const QString link = sim.portsFolder() + QStringLiteral("/com3");
    QVERIFY(QFile::link(QStringLiteral("/dev/kx-sim-test-gone"), link));

    QString why;
    QVERIFY2(sim.start({QStringLiteral("--model"), QStringLiteral("KX12A"),
                        QStringLiteral("--port"), QStringLiteral("3")},
                       &why),
             qPrintable(why));
    QCOMPARE(sim.model, QStringLiteral("KX12A"));
    QCOMPARE(sim.link, link);
    QCOMPARE(QFileInfo(link).symLinkTarget(), sim.device);

    int fd = openDevice(link);
    QVERIFY(fd >= 0);
    QVERIFY(writeAll(fd, "*IDN?\r"));
    QVERIFY(readReply(fd, 2000).startsWith("KX12A"));
    QVERIFY(writeAll(fd, "FREQ 2KHZ\r"));
    ::close(fd);

    // The client closed its end; a new one finds the simulator still there, settings kept.
    fd = openDevice(link);
    QVERIFY(fd >= 0);
    QVERIFY(writeAll(fd, "FREQ?\r"));
    QCOMPARE(readReply(fd, 2000), QByteArray("2.00000E+3\r"));
    ::close(fd);

    sim.process->terminate();
    QVERIFY(sim.process->waitForFinished(3000));
    QCOMPARE(sim.process->exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.process->exitCode(), 0);
    QVERIFY(!QFileInfo(link).isSymLink());
    QCOMPARE(sim.rejectedOnExit(), 0);
}

void tst_kxsim::answerLineEndAndLatency() {
    Simulator sim;
    QString why;
    QVERIFY2(
        sim.start({QStringLiteral("--crlf"), QStringLiteral("--latency"), QStringLiteral("300")},
                  &why),
        qPrintable(why));
    QVERIFY(sim.link.isEmpty());
    QCOMPARE(sim.model, QStringLiteral("KX25A"));

    const int fd = openDevice(sim.device);
    QVERIFY(fd >= 0);
    QElapsedTimer timer;
    timer.start();
    QVERIFY(writeAll(fd, "out?\r"));
    QCOMPARE(readReply(fd, 2000, "\r\n"), QByteArray("0\r\n"));
    QVERIFY2(timer.elapsed() >= 280, qPrintable(QString::number(timer.elapsed())));
    QVERIFY(writeAll(fd, "SIM:REJ?\r"));
    QCOMPARE(readReply(fd, 2000, "\r\n"), QByteArray("0\r\n"));
    ::close(fd);
    QCOMPARE(sim.rejectedOnExit(), 0);
}

void tst_kxsim::hangUpFaultClosesLineAndRemovesLink() {
    Simulator sim;
    QString why;
    QVERIFY2(sim.start({QStringLiteral("--port"), QStringLiteral("5"),
                        QStringLiteral("--hangup-after"), QStringLiteral("2")},
                       &why),
             qPrintable(why));
    QVERIFY(QFileInfo(sim.link).isSymLink());

    const int fd = openDevice(sim.link);
    QVERIFY(fd >= 0);
    QVERIFY(writeAll(fd, "*IDN?\r"));
    QVERIFY(readReply(fd, 2000).startsWith("KX25A"));
    QVERIFY(writeAll(fd, "OUT ON\r"));

    QVERIFY(sim.process->waitForFinished(3000));
    QCOMPARE(sim.process->exitCode(), 0);
    QVERIFY(!QFileInfo(sim.link).isSymLink());
    QVERIFY(lineIsGone(fd, 1000));
    ::close(fd);
    QCOMPARE(sim.rejectedOnExit(), 0);
}

void tst_kxsim::refusesPortHeldByAFile() {
    Simulator sim;
    QVERIFY(QDir().mkpath(sim.portsFolder()));
    const QString held = sim.portsFolder() + QStringLiteral("/com7");
    QFile file(held);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("mine");
    file.close();

    QString why;
    QVERIFY(!sim.start({QStringLiteral("--port"), QStringLiteral("7")}, &why));
    QVERIFY(sim.process->state() == QProcess::NotRunning || sim.process->waitForFinished(3000));
    QVERIFY(sim.process->exitCode() != 0);
    QCOMPARE(kxtest::readFile(held), QByteArray("mine"));
}

void tst_kxsim::strictRejectsCountsAndLogs_data() {
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QList<QByteArray>>("lines");    // sent one by one
    QTest::addColumn<QList<QByteArray>>("answers");  // to each, "" for none
    QTest::addColumn<qint64>("rejected");            // as the query and the exit line say
    QTest::addColumn<QList<QByteArray>>("logMarks"); // what the log shows of the lines

    const QList<QByteArray> lines{"FREQ 5\r",
                                  "FREQ\t5KHZ\r",
                                  "FREQ\xa0"
                                  "5KHZ\r",
                                  "TRIG 20\r",
                                  "OUT ON\n\r",
                                  "FREQ 2KHZ\r\n",
                                  "FREQ?\r",
                                  "OUT?\r"};
    QTest::newRow("strict")
        << QStringList{} << lines
        << QList<QByteArray>{"", "", "", "", "", "", "2.00000E+3\r", "0\r"} << qint64(5)
        << QList<QByteArray>{"< FREQ 5   (rejected: FREQ needs a unit: HZ, KHZ or MHZ)",
                             "< FREQ<0x09>5KHZ   (rejected: control character <0x09>)",
                             "< FREQ<0xa0>5KHZ   (rejected: byte <0xa0> outside printable ASCII)",
                             "< TRIG 20   (rejected: TRIG needs a unit: US, MS or S)",
                             "< OUT ON<0x0a>   (rejected: control character <0x0a>)",
                             "< FREQ 2KHZ\n",
                             "> 2.00000E+3\n"};
    // Today's reading: bare numbers in the base unit, control characters around a line
    // trimmed, a TAB a blank, a byte outside ASCII makes the line unknown.
    QTest::newRow("--lenient") << QStringList{QStringLiteral("--lenient")} << lines
                               << QList<QByteArray>{"", "", "", "", "", "", "2.00000E+3\r", "1\r"}
                               << qint64(0)
                               << QList<QByteArray>{"< FREQ 5\n", "< FREQ<0x09>5KHZ\n",
                                                    "< FREQ<0xa0>5KHZ   (ignored)\n",
                                                    "< TRIG 20   (ignored)\n", "< OUT ON\n"};
    // More answers than the client's side holds: the writes are cut, and each answer is
    // still logged once, whole.
    QTest::newRow("answers cut by a full line")
        << QStringList{} << QList<QByteArray>{QByteArray("*IDN?\r").repeated(4000)}
        << QList<QByteArray>{QByteArray("KX25A Function Generator,SIM,1.0\r").repeated(4000)}
        << qint64(0) << QList<QByteArray>{"> KX25A Function Generator,SIM,1.0\n"};
}

void tst_kxsim::strictRejectsCountsAndLogs() {
    QFETCH(QStringList, options);
    QFETCH(QList<QByteArray>, lines);
    QFETCH(QList<QByteArray>, answers);
    QFETCH(qint64, rejected);
    QFETCH(QList<QByteArray>, logMarks);

    Simulator sim;
    const QString log = sim.config.path() + QStringLiteral("/lines.log");
    QString why;
    QVERIFY2(sim.start(options << QStringLiteral("--log") << log, &why), qPrintable(why));
    const int fd = openDevice(sim.device);
    QVERIFY(fd >= 0);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QVERIFY(writeAll(fd, lines[i]));
        // A line without an answer: nothing comes within a while.
        const QByteArray got =
            answers[i].isEmpty() ? readBytes(fd, 1, 150) : readBytes(fd, answers[i].size(), 5000);
        QCOMPARE(got, answers[i]);
    }
    QVERIFY(writeAll(fd, "sim:rej?\r"));
    QCOMPARE(readReply(fd, 2000), QByteArray::number(rejected) + "\r");
    ::close(fd);
    QCOMPARE(sim.rejectedOnExit(), rejected);
    QCOMPARE(sim.process->exitCode(), 0);

    const QByteArray text = kxtest::readFile(log);
    for (const QByteArray& mark : logMarks)
        QVERIFY2(text.contains(mark), qPrintable(QString::fromLatin1(mark + "\nnot in\n" + text)));
    QCOMPARE(text.count("(rejected: "), rejected);
    // Every answer, and the count's, logged once.
    QCOMPARE(text.count(" > "), answers.join().count('\r') + 1);
}

void tst_kxsim::echoFault_data() {
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QByteArray>("end");
    QTest::addColumn<int>("latencyMs");

    QTest::newRow("CR") << QStringList{} << QByteArray("\r") << 0;
    QTest::newRow("CR LF") << QStringList{QStringLiteral("--crlf")} << QByteArray("\r\n") << 0;
    // The echo comes at once; only the answer waits.
    QTest::newRow("latency") << QStringList{QStringLiteral("--latency"), QStringLiteral("1000")}
                             << QByteArray("\r") << 1000;
}

void tst_kxsim::echoFault() {
    QFETCH(QStringList, options);
    QFETCH(QByteArray, end);
    QFETCH(int, latencyMs);

    Simulator sim;
    const QString log = sim.config.path() + QStringLiteral("/lines.log");
    QString why;
    QVERIFY2(sim.start(options << QStringLiteral("--fault") << QStringLiteral("echo")
                               << QStringLiteral("--log") << log,
                       &why),
             qPrintable(why));
    const int fd = openDevice(sim.device);
    QVERIFY(fd >= 0);
    // A setting: its echo alone.
    QVERIFY(writeAll(fd, "FREQ 2KHZ\r"));
    QCOMPARE(readBytes(fd, 64, 500), "FREQ 2KHZ" + end);
    // A query: its echo, then its answer.
    const QByteArray echo = "freq?" + end;
    const QByteArray answer = "2.00000E+3" + end;
    QVERIFY(writeAll(fd, "freq?\r"));
    QByteArray got = readBytes(fd, echo.size(), 3000);
    if (latencyMs > 0) // the echo first, alone
        QCOMPARE(got, echo);
    got += readBytes(fd, echo.size() + answer.size() - got.size(), 3000);
    QCOMPARE(got, echo + answer);
    // A rejected line: echoed as received, and nothing more.
    QVERIFY(writeAll(fd, "FREQ 5\r"));
    QCOMPARE(readBytes(fd, 64, 300), "FREQ 5" + end);
    QVERIFY(writeAll(fd, "SIM:REJ?\r"));
    QCOMPARE(readBytes(fd, 9 + 2 * end.size(), 3000), "SIM:REJ?" + end + "1" + end);
    ::close(fd);
    QCOMPARE(sim.rejectedOnExit(), 1);

    const QByteArray text = kxtest::readFile(log);
    QVERIFY2(text.contains("> freq?   (echo)\n") && text.contains("> 2.00000E+3\n"),
             text.constData());
}

void tst_kxsim::exitLine_data() {
    QTest::addColumn<int>("signal"); // 0: the hang-up fault ends it
    QTest::addColumn<int>("rejected");
    QTest::addColumn<QString>("line");

    QTest::newRow("SIGINT") << SIGINT << 0 << QStringLiteral("kx-sim: 0 lines rejected");
    QTest::newRow("SIGTERM") << SIGTERM << 1 << QStringLiteral("kx-sim: 1 line rejected");
    QTest::newRow("SIGHUP") << SIGHUP << 2 << QStringLiteral("kx-sim: 2 lines rejected");
    QTest::newRow("hang-up fault") << 0 << 2 << QStringLiteral("kx-sim: 2 lines rejected");
}

void tst_kxsim::exitLine() {
    QFETCH(int, signal);
    QFETCH(int, rejected);
    QFETCH(QString, line);

    Simulator sim;
    QStringList options;
    if (!signal) // after the rejected lines and the query
        options << QStringLiteral("--hangup-after") << QString::number(rejected + 1);
    QString why;
    QVERIFY2(sim.start(options, &why), qPrintable(why));
    const int fd = openDevice(sim.device);
    QVERIFY(fd >= 0);
    for (int i = 0; i < rejected; ++i)
        QVERIFY(writeAll(fd, "TRIG 5\r"));
    QVERIFY(writeAll(fd, "SIM:REJ?\r"));
    QCOMPARE(readReply(fd, 2000), QByteArray::number(rejected) + "\r");
    if (signal)
        QCOMPARE(::kill(static_cast<pid_t>(sim.process->processId()), signal), 0);
    QVERIFY(sim.process->waitForFinished(3000));
    ::close(fd);
    QCOMPARE(sim.process->exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.process->exitCode(), 0);
    const QStringList errors = sim.errors().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(errors.last(), line); // the last word
    QCOMPARE(errors.count(line), 1);
    if (!signal)
        QVERIFY(
            errors.contains(QStringLiteral("kx-sim: hung up after %1 lines").arg(rejected + 1)));
    QCOMPARE(sim.rejectedOnExit(), rejected);
}

QTEST_GUILESS_MAIN(tst_kxsim)
#include "tst_kxsim.moc"
