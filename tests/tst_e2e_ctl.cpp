// End to end: the kx-ctl program over a pseudo-terminal to kx-sim on port 3 of a private
// configuration directory, on the real clock. Each row is a command line, its exit
// status and what it prints; kx-sim must have rejected none of its lines.

#include "support/SimProcess.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryFile>
#include <QtTest>

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

} // namespace

class EndToEndCtlTest : public QObject {
    Q_OBJECT
private slots:
    void exitStatus_data();
    void exitStatus();
    void jsonStatus();
    void scriptedSession();
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
    QCOMPARE(r.out,
             QStringLiteral("waveform: square\nfrequency: 1.00000 kHz\nfrequency: 2.50000 kHz\n"
                            "amplitude: 2.00000 V\nduty: 30 %\noutput: on\n3.00000E+1\n"));
    QCOMPARE(r.status, 0);
    QCOMPARE(sim.rejectedOnExit(), 0);
}

QTEST_GUILESS_MAIN(EndToEndCtlTest)
#include "tst_e2e_ctl.moc"
