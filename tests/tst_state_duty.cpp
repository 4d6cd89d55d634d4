// The duty cycle of the square wave and the symmetry of the ramp through the instrument
// layer alone: what the waveform and the output frequency read back allow, the line
// sent, and the result.

#include "support/Instrument.h"

#include "state/Settings.h"
#include "state/Status.h"

#include <QtTest>

using namespace kxtest;

class StateDutyTest : public QObject {
    Q_OBJECT
private slots:
    void duty_data();
    void duty();
    void outputFrequencyNotOtherReadBacks_data();
    void outputFrequencyNotOtherReadBacks();
};

void StateDutyTest::duty_data() {
    QTest::addColumn<QString>("function"); // the generator's at connect
    QTest::addColumn<QString>("hertz");    // typed in Hz, then read back; empty: none known
    QTest::addColumn<QByteArray>("freqReply");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("code"); // 0: sent
    const auto row = [](const char* function, const char* hertz, const char* reply,
                        const char* text, int code) {
        QTest::addRow("%s %s Hz: \"%s\"", function, hertz, text)
            << function << hertz << line(reply) << QString::fromUtf8(text) << code;
    };
    row("SQU", "1000", "1.00000E+3", "50", 0);
    row("SQU", "1000", "1.00000E+3", "20", 0);
    row("SQU", "1000", "1.00000E+3", "80", 0);
    row("SQU", "1000", "1.00000E+3", "19", 7);
    row("SQU", "1000", "1.00000E+3", "81", 7);
    row("SQU", "2000000", "2.00000E+6", "50", 0);
    row("SQU", "2000001", "2.000001E+6", "50", 10);
    row("SQU", "5000000", "5.00000E+6", "90", 10); // frequency first: 10, not 7
    row("TRI", "100000", "1.00000E+5", "1", 0);
    row("TRI", "100000", "1.00000E+5", "99", 0);
    row("TRI", "100000", "1.00000E+5", "0", 7);
    row("TRI", "100000", "1.00000E+5", "-1", 7);
    row("TRI", "200000", "2.00000E+5", "50", 0);
    row("TRI", "200001", "2.00001E+5", "50", 10);
    row("SIN", "1000", "1.00000E+3", "50", 9);
    row("SIN", "1000", "1.00000E+3", "", 9);
    row("SIN", "5000000", "5.00000E+6", "90", 9);
    // Not a number: refused as out of range.
    row("SQU", "1000", "1.00000E+3", "", 7);
    row("SQU", "1000", "1.00000E+3", "ab", 7);
    row("SQU", "1000", "1.00000E+3", "5%", 7);
    row("TRI", "100000", "1.00000E+5", "x", 7);
    row("TRI", "100000", "1.00000E+5", "-", 7);
    // A number with a pasted control character or another blank: refused, not sent.
    for (const char* text : {"5\r", "\t5", "5\xc2\xa0", "\xd9\xa5"})
        row("TRI", "100000", "1.00000E+5", text, 7);
    // FREQ? unanswered: no frequency known, so only the range is tested.
    row("SQU", "", "", "50", 0);
    row("SQU", "", "", "90", 7);
    // No waveform known: nothing is sent, and nothing refused.
    for (const char* text : {"50", "", "ab"})
        row("", "", "", text, 0);
}

void StateDutyTest::duty() {
    QFETCH(QString, function);
    QFETCH(QString, hertz);
    QFETCH(QByteArray, freqReply);
    QFETCH(QString, text);
    QFETCH(int, code);
    Instrument in;
    QVERIFY(in.link.open(QStringLiteral("/dev/fake")));
    in.vars.modelName = QStringLiteral("KX25A");
    if (!function.isEmpty()) {
        in.talk.expect({{"FUNC?", line(qPrintable(function))}});
        QCOMPARE(describe(kx::learn(in.link, in.vars, kx::fact::waveform)), describe({}));
    }
    if (!hertz.isEmpty()) {
        in.talk.expect({{"FREQ " + hertz.toLatin1() + "HZ", ""}, {"FREQ?", freqReply}});
        const kx::Setting& frequency = kx::settings::frequency;
        QCOMPARE(kx::apply(in.link, in.vars, frequency, unitOf(frequency, "Hz"), hertz).kind,
                 kx::Result::Kind::Done);
    }
    in.talk.expect(code == 0 && !function.isEmpty() ? Talk{{"DCYC " + text.toLatin1(), ""}}
                                                    : Talk{});
    QCOMPARE(describe(kx::setDuty(in.link, in.vars, text)),
             describe(code ? kx::Result::refused(short(code)) : kx::Result{}));
    in.talk.check();
}

void StateDutyTest::outputFrequencyNotOtherReadBacks_data() {
    QTest::addColumn<double>("outputHz");    // what FREQ? read back
    QTest::addColumn<QString>("freqHzText"); // what a later sweep read-back left
    QTest::addColumn<int>("code");
    QTest::newRow("output 1 kHz, sweep stop 5 MHz") << 1e3 << "5000000" << 0;
    QTest::newRow("output 5 MHz, sweep start 1 kHz") << 5e6 << "1000" << 10;
}

// The frequency test uses the output frequency last read back by FREQ?, not a sweep or
// modulation frequency decoded since.
void StateDutyTest::outputFrequencyNotOtherReadBacks() {
    QFETCH(double, outputHz);
    QFETCH(QString, freqHzText);
    QFETCH(int, code);
    Instrument in;
    in.generator->settings().function = QStringLiteral("SQU");
    in.generator->settings().frequency = outputHz;
    in.connect();
    in.vars.freqHzText = freqHzText;
    in.talk.expect(code ? Talk{} : Talk{{"DCYC 50", ""}});
    QCOMPARE(describe(kx::setDuty(in.link, in.vars, QStringLiteral("50"))),
             describe(code ? kx::Result::refused(short(code)) : kx::Result{}));
    in.talk.check();
}

QTEST_GUILESS_MAIN(StateDutyTest)
#include "tst_state_duty.moc"
