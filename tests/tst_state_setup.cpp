// Set-ups on the computer through the instrument layer alone: a set-up written from the
// simulated generator after a run of requests, applied again after a factory recall
// with the same lines and the same status, and run files checked line by line against
// the connected model and state before anything is sent.

#include "support/Instrument.h"

#include "state/Request.h"
#include "state/Setup.h"

#include <QtTest>

using namespace kxtest;

namespace {

QList<kx::RequestLine> requests(const QString& text) {
    QList<kx::RequestLine> lines;
    if (const QString error = kx::parseRunFile(text.toUtf8(), &lines); !error.isEmpty())
        qFatal("not a run file: %s", qPrintable(error));
    return lines;
}

// Carries out every request of `text`, failing the test on the first that is not done.
void carryOut(Instrument& in, const QString& text) {
    for (const kx::RequestLine& l : requests(text)) {
        const kx::Result r = kx::carryOut(in.link, in.vars, l.request);
        QVERIFY2(r.kind == kx::Result::Kind::Done,
                 qPrintable(l.request.text + QStringLiteral(": ") + describe(r)));
    }
}

// The set-up's lines without the two comments at its head.
QStringList body(const QString& setup) { return setup.split(QLatin1Char('\n')).mid(2); }

} // namespace

class SetupTest : public QObject {
    Q_OBJECT
private slots:
    void roundTrip_data();
    void roundTrip();
    void head();
    void checked_data();
    void checked();
};

// Each row: the requests that bring the generator to a state, and the set-up written
// from it. The set-up, applied after a factory recall, sends the same lines the
// requests did and brings back the same status.
void SetupTest::roundTrip_data() {
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QStringList>("setup");
    const QStringList base{"set waveform sine", "set frequency 1.00000kHz",
                           "set amplitude 5.00000V", "set offset 0.00000V"};
    QTest::newRow("factory state")
        << "KX25A"
        << "" << base + QStringList{"set trigger-mode continuous", "set output off", ""};
    QTest::newRow("square, duty, triggered")
        << "KX25A"
        << "set waveform square\nset frequency 2.5kHz\nset duty 30\nset amplitude 4\n"
           "set offset -1.5\nset trigger-mode triggered\nset trigger-source int\n"
           "set output on\n"
        << QStringList{"set waveform square",
                       "set frequency 2.50000kHz",
                       "set duty 30%  # sent, not read back",
                       "set amplitude 4.00000V",
                       "set offset -1.50000V",
                       "set trigger-mode triggered",
                       "set trigger-source int  # sent, not read back",
                       "set output on",
                       "# Not sent on this connection, so left out: trigger-rate.",
                       ""};
    QTest::newRow("square above the highest frequency for a variable duty")
        << "KX25A"
        << "set waveform square\nset duty 30\nset frequency 5MHz\n"
        << QStringList{"set waveform square",      "set duty 30%  # sent, not read back",
                       "set frequency 5.00000MHz", "set amplitude 5.00000V",
                       "set offset 0.00000V",      "set trigger-mode continuous",
                       "set output off",           ""};
    QTest::newRow("log sweep")
        << "KX20A"
        << "set waveform ramp\nset sweep log\nset sweep-start 100Hz\nset sweep-stop 10kHz\n"
           "set sweep-rate 2\n"
        << QStringList{"set waveform ramp",
                       "set frequency 1.00000kHz",
                       "set amplitude 5.00000V",
                       "set offset 0.00000V",
                       "set sweep log",
                       "set sweep-start 100Hz",
                       "set sweep-stop 10kHz",
                       "set sweep-rate 2s  # sent, not read back",
                       "set output off",
                       "# Not sent on this connection, so left out: duty.",
                       ""};
    QTest::newRow("internal FM")
        << "KX25A"
        << "set modulation fm-int\nset mod-frequency 2kHz\nset deviation 50kHz\n"
           "set mod-shape square\n"
        << base + QStringList{"set modulation fm-int",
                              "set mod-frequency 2.00000kHz",
                              "set mod-shape square  # sent, not read back",
                              "set deviation 50kHz  # sent, not read back",
                              "set output off",
                              ""};
}

void SetupTest::roundTrip() {
    QFETCH(QString, model);
    QFETCH(QString, steps);
    QFETCH(QStringList, setup);
    Instrument in(model);
    in.talk.answerFromGenerator();
    in.connect();
    carryOut(in, steps);
    kx::SetupReading reading = kx::readSetup(in.link, in.vars);
    QCOMPARE(describe(reading.result), describe({}));
    const QString written = kx::writeSetup(reading, in.vars, QStringLiteral("kx-ctl"), {});
    QCOMPARE(body(written), setup);

    // Saving in the generator's memory keeps what was sent; a recall forgets it.
    const QMap<QString, QString> sent = in.vars.sent;
    carryOut(in, QStringLiteral("save 1"));
    QCOMPARE(in.vars.sent, sent);
    carryOut(in, QStringLiteral("recall 1"));
    QVERIFY(in.vars.sent.isEmpty());

    // Applied again from the factory state, read back as the panel and kx-ctl read it
    // after a recall: the same status.
    QVERIFY(
        kx::carryOut(in.link, in.vars, requests(QStringLiteral("factory")).first().request).kind ==
        kx::Result::Kind::Done);
    QVERIFY(in.vars.sent.isEmpty());
    QCOMPARE(describe(kx::readStatus(in.link, in.vars).result), describe({}));
    QList<kx::RequestLine> lines = ::requests(written);
    QVERIFY(kx::checkRunFile(lines, in.vars).isEmpty());
    carryOut(in, written);
    const kx::SetupReading again = kx::readSetup(in.link, in.vars);
    QCOMPARE(again.status.answers, reading.status.answers);
    in.talk.checkNothingRejected();
}

void SetupTest::head() {
    Instrument in(QStringLiteral("KX12A"));
    in.talk.answerFromGenerator();
    in.connect();
    const kx::SetupReading reading = kx::readSetup(in.link, in.vars);
    const QString written = kx::writeSetup(reading, in.vars, QStringLiteral("kx-panel"),
                                           QDateTime(QDate(2026, 12, 9), QTime(10, 15, 30)));
    QCOMPARE(written.section(QLatin1Char('\n'), 0, 0),
             QStringLiteral("# A set-up of the KX12A, read from it on 2026-12-09 10:15:30 by "
                            "kx-panel " KX_VERSION "."));
}

// Each row: a run file checked on a generator in its factory state (sine at 1 kHz, 5 V
// and 0 V, continuous), the lines refused, and the order the lines go in.
void SetupTest::checked_data() {
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("refused");
    QTest::addColumn<QList<int>>("order"); // the line numbers, as they will go out
    QTest::newRow("a KX25A set-up on a KX12A")
        << "KX12A"
        << "set frequency 20MHz\nset amplitude 3\n"
        << QStringList{"1: set frequency 20MHz: refused (5): Range error! The entered value is "
                       "outside the frequency range of the generator."}
        << QList<int>{1, 2};
    QTest::newRow("ramp lowers the highest frequency")
        << "KX25A"
        << "set waveform ramp\n# 2 MHz is the ramp's highest\nset frequency 3MHz\n"
        << QStringList{"3: set frequency 3MHz: refused (5): Range error! The entered value is "
                       "outside the frequency range of the generator."}
        << QList<int>{1, 3};
    QTest::newRow("to 2 V and 4 V the amplitude goes first")
        << "KX25A"
        << "set amplitude 10\nset offset 0\nset offset 4\nset amplitude 2\n"
        << QStringList{} << QList<int>{1, 2, 4, 3};
    QTest::newRow("back to 10 V and 0 V the offset goes first")
        << "KX25A"
        << "set amplitude 2\nset offset 4\nset amplitude 10\nset offset 0\n"
        << QStringList{} << QList<int>{1, 2, 4, 3};
    QTest::newRow("neither order keeps the rule")
        << "KX25A"
        << "set amplitude 10\nset offset 3\n"
        << QStringList{"2: set offset 3: refused (8): Setting conflict! (Amplitude / 2) + |offset| "
                       "must be <= 5V. Change your amplitude or offset settings and try again."}
        << QList<int>{1, 2};
    QTest::newRow("depth needs internal AM")
        << "KX25A"
        << "set modulation fm-int\nset depth 50\nset modulation am-int\nset depth 50\n"
        << QStringList{"2: set depth 50: refused (13): Setting Conflict! Depth % is for Internal "
                       "AM Modulation only.  Please change the Modulation type to AM Internal and "
                       "try again."}
        << QList<int>{1, 2, 3, 4};
    QTest::newRow("trigger source in continuous mode")
        << "KX25A"
        << "set trigger-source int\nset trigger-mode gate\nset trigger-source ext\n"
        << QStringList{"1: set trigger-source int: refused (11): Setting Conflict! Trigger source "
                       "cannot be configured in Continuous mode.  Please change trigger mode "
                       "first, then try again."}
        << QList<int>{1, 2, 3};
    QTest::newRow("duty on a sine, then on a square above its highest frequency")
        << "KX25A"
        << "set duty 30\nset waveform square\nset frequency 5MHz\nset duty 30\n"
        << QStringList{"1: set duty 30: refused (9): Input error! Duty cycle is for square and "
                       "ramp waveforms only.",
                       "4: set duty 30: refused (10): Setting Conflict! Frequency is above the "
                       "supported limit for variable duty cycle/symmetry."}
        << QList<int>{1, 2, 3, 4};
    QTest::newRow("a shape the KX12A does not have")
        << "KX12A"
        << "set mod-shape square\n"
        << QStringList{"1: set mod-shape square: refused: The KX12A has no square modulating "
                       "shape."}
        << QList<int>{1};
    QTest::newRow("after a recall the rest is checked as it goes")
        << "KX25A"
        << "recall 2\nset frequency 30MHz\n"
        << QStringList{} << QList<int>{1, 2};
}

void SetupTest::checked() {
    QFETCH(QString, model);
    QFETCH(QString, file);
    QFETCH(QStringList, refused);
    QFETCH(QList<int>, order);
    Instrument in(model);
    in.talk.answerFromGenerator();
    in.connect();
    QList<kx::RequestLine> lines = requests(file);
    QStringList texts;
    for (const kx::RefusedLine& r : kx::checkRunFile(lines, in.vars))
        texts << r.text();
    QCOMPARE(texts, refused);
    QList<int> numbers;
    for (const kx::RequestLine& l : lines)
        numbers << l.number;
    QCOMPARE(numbers, order);
    // Checking sends nothing.
    QVERIFY(in.takeLines().isEmpty());
}

QTEST_GUILESS_MAIN(SetupTest)
#include "tst_state_setup.moc"
