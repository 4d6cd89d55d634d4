// End to end: the kx-ctl program over a pseudo-terminal to kx-sim on port 3 of a private
// configuration directory, on the real clock. Each row is a command line, its exit
// status and what it prints; kx-sim must have rejected none of its lines.

#include "support/SimProcess.h"

#include "support/Files.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryFile>
#include <QtTest>

#include <csignal>

using namespace kxtest;

namespace {

struct Run {
    int status = -1;
    QString out;
    QString err;
};

Run ctl(const SimProcess& sim, const QStringList& args, const QByteArray& input = {}) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), sim.config.path());
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(KX_CTL_PATH), args);
    p.write(input);
    p.closeWriteChannel();
    Run r;
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit)
        return r;
    r.status = p.exitCode();
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

// The lock files of the serial port `device` ("/dev/pts/3": LCK..pts_3), where QSerialPort
// may take them.
QStringList lockFiles(const QString& device) {
    const QString name = QStringLiteral("LCK..") + device.mid(5).replace('/', '_');
    QStringList all;
    for (const char* folder : {"/run/lock", "/var/lock", "/tmp"}) {
        const QString path = QString::fromLatin1(folder) + '/' + name;
        if (QFileInfo::exists(path))
            all << path;
    }
    return all;
}

// How kx-ctl's run is cut short.
enum class Cut { OutputFull, PipeClosed, Sigterm };

} // namespace

Q_DECLARE_METATYPE(Cut)

class EndToEndCtlTest : public QObject {
    Q_OBJECT
private slots:
    void exitStatus_data();
    void exitStatus();
    void jsonStatus();
    void scriptedSession();
    void cutShort_data();
    void cutShort();
};

void EndToEndCtlTest::exitStatus_data() {
    QTest::addColumn<QStringList>("simArgs");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("err");
    QTest::newRow("done") << QStringList{} << QStringList{"-p", "3", "set", "frequency", "2.5kHz"}
                          << 0 << QString();
    QTest::newRow("refused") << QStringList{} << QStringList{"-p", "3", "set", "frequency", "30MHz"}
                             << 1
                             << QStringLiteral("kx-ctl: refused (5): Range error! The entered "
                                               "value is outside the frequency range of the "
                                               "generator.\n");
    QTest::newRow("no such port") << QStringList{} << QStringList{"-d", "/dev/kx-none", "status"}
                                  << 3 << QStringLiteral("kx-ctl: /dev/kx-none: no such device\n");
    QTest::newRow("not a serial port")
        << QStringList{} << QStringList{"-d", "/dev/null", "status"} << 3
        << QStringLiteral("kx-ctl: /dev/null is not a serial port\n");
    QTest::newRow("a silent generator")
        << QStringList{"--fault", "silent"} << QStringList{"-p", "3", "status"} << 4
        << QStringLiteral("kx-ctl: No valid answer from the generator to FUNC?\n");
    QTest::newRow("the generator gone")
        << QStringList{"--fault", "hangup", "--after", "1"}
        << QStringList{"-p", "3", "set", "sweep", "lin"} << 3
        << QStringLiteral("kx-ctl: the connection to the generator was lost\n");
}

void EndToEndCtlTest::exitStatus() {
    QFETCH(QStringList, simArgs);
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, err);
    SimProcess sim;
    QString why;
    QVERIFY2(sim.start(simArgs << QStringLiteral("--port") << QStringLiteral("3"), &why),
             qPrintable(why));
    const Run r = ctl(sim, args);
    QCOMPARE(r.status, status);
    QCOMPARE(r.err, err);
    QCOMPARE(sim.rejectedOnExit(), 0);
}

// The decoded state, one JSON object a line, each named.
void EndToEndCtlTest::jsonStatus() {
    SimProcess sim;
    QString why;
    QVERIFY2(sim.start({QStringLiteral("--port"), QStringLiteral("3")}, &why), qPrintable(why));
    const Run r = ctl(sim, {"-p", "3", "--json", "status"});
    QCOMPARE(r.status, 0);
    QCOMPARE(r.err, QString());
    QStringList decoded;
    for (const QString& line : r.out.split('\n', Qt::SkipEmptyParts)) {
        QJsonParseError error;
        const QJsonObject o = QJsonDocument::fromJson(line.toUtf8(), &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        decoded << o.value("name").toString() + '=' + o.value("value").toString() +
                       o.value("unit").toString();
    }
    QCOMPARE(decoded, (QStringList{"waveform=sine", "frequency=1.00000kHz", "amplitude=5.00000V",
                                   "offset=0.00000V", "trigger-mode=continuous", "sweep=off",
                                   "modulation=off", "output=off"}));
    QCOMPARE(sim.rejectedOnExit(), 0);
}

// A run file on standard input, as the README shows it.
void EndToEndCtlTest::scriptedSession() {
    SimProcess sim;
    QString why;
    QVERIFY2(sim.start({QStringLiteral("--port"), QStringLiteral("3")}, &why), qPrintable(why));
    const Run r = ctl(sim, {"-p", "3", "run", "-"},
                      "# a 2.5 kHz square, 2 V, output on\n"
                      "set waveform square\n"
                      "set frequency 2.5kHz\n"
                      "set amplitude 2V\n"
                      "set duty 30%\n"
                      "set output on\n"
                      "send DCYC?\n");
    QCOMPARE(r.err, QString());
    QCOMPARE(r.out, QStringLiteral("waveform: square (sent; not read back: status asks for it)\n"
                                   "frequency: 1.00000 kHz\nfrequency: 2.50000 kHz\n"
                                   "amplitude: 2.00000 V\n"
                                   "duty: 30 % (sent; the generator does not report it)\n"
                                   "output: on\n3.00000E+1\n"));
    QCOMPARE(r.status, 0);
    QCOMPARE(sim.rejectedOnExit(), 0);
}

// Standard output gone or a signal in the middle of a run file: the line being written is
// finished, nothing more goes out, the port is closed with its lock file, and the exit
// status says why.
void EndToEndCtlTest::cutShort_data() {
    QTest::addColumn<Cut>("cut");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("err");
    const QString lost =
        QStringLiteral("kx-ctl: standard output cannot be written: nothing more is sent\n");
    QTest::newRow("stdout on /dev/full") << Cut::OutputFull << 5 << lost;
    QTest::newRow("stdout a closed pipe") << Cut::PipeClosed << 5 << lost;
    QTest::newRow("SIGTERM") << Cut::Sigterm << 128 + SIGTERM
                             << QStringLiteral("kx-ctl: stopped by SIGTERM: nothing more is sent, "
                                               "the port is closed\n");
}

void EndToEndCtlTest::cutShort() {
    QFETCH(Cut, cut);
    QFETCH(int, status);
    QFETCH(QString, err);
    SimProcess sim;
    QTemporaryDir logs;
    const QString log = logs.filePath(QStringLiteral("sim.log"));
    QString why;
    QVERIFY2(sim.start({"--port", "3", "--log", log}, &why), qPrintable(why));
    QVERIFY(sim.device.startsWith(QLatin1String("/dev/")));
    QCOMPARE(lockFiles(sim.device), QStringList());

    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), sim.config.path());
    p.setProcessEnvironment(env);
    if (cut == Cut::OutputFull)
        p.setStandardOutputFile(QStringLiteral("/dev/full"));
    const QStringList args{"-p", "3", "run", "-"};
    if (cut == Cut::PipeClosed) // into a pipe whose reader has gone
        p.start(QStringLiteral("bash"),
                QStringList{"-c", "\"$0\" \"$@\" | true; exit ${PIPESTATUS[0]}", KX_CTL_PATH} +
                    args);
    else
        p.start(QStringLiteral(KX_CTL_PATH), args);
    QVERIFY(p.waitForStarted());
    p.write("set waveform square\nset amplitude 2\nset waveform ramp\nset waveform sine\n");
    p.closeWriteChannel();
    if (cut == Cut::Sigterm) {
        // Once the first line is on the wire, the port is open and its lock file taken.
        QTRY_VERIFY_WITH_TIMEOUT(readFile(log).contains("FUNC SQU"), 10000);
        QVERIFY(!lockFiles(sim.device).isEmpty());
        p.terminate();
    }
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), status);
    QCOMPARE(QString::fromUtf8(p.readAllStandardError()), err);
    QCOMPARE(lockFiles(sim.device), QStringList());
    QCOMPARE(sim.rejectedOnExit(), 0);
    // The first line went whole; the last never did.
    const QByteArray sent = readFile(log);
    QVERIFY2(sent.contains("< FUNC SQU\n"), sent.constData());
    QVERIFY2(!sent.contains("FUNC SIN"), sent.constData());
}

QTEST_GUILESS_MAIN(EndToEndCtlTest)
#include "tst_e2e_ctl.moc"
