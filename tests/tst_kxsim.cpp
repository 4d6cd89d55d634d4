// The kx-sim executable, run for real and spoken to over its pseudo-terminal.

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

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <unistd.h>

namespace {

using Simulator = kxtest::SimProcess;

int openDevice(const QString& path) {
    return ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
}

bool writeAll(int fd, const QByteArray& bytes) {
    return ::write(fd, bytes.constData(), bytes.size()) == bytes.size();
}

// Reads until the text ends with `end` or the time is up.
QByteArray readReply(int fd, int timeoutMs, const QByteArray& end = "\r") {
    QByteArray got;
    QDeadlineTimer deadline(timeoutMs);
    while (!got.endsWith(end) && !deadline.hasExpired()) {
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
    ::close(fd);
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
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("mine"));
}

QTEST_GUILESS_MAIN(tst_kxsim)
#include "tst_kxsim.moc"
