// The duty cycle of the square wave and the symmetry of the ramp in the window: the box
// and the entry after a refusal, and no busy state. What the waveform and the output
// frequency allow, and what is sent, are the instrument layer's (tst_state_duty); with
// no port open, % is a row of tst_rows.

#include "support/Rig.h"
#include "support/Texts.h"

#include "state/modVariables.h"
#include "ui_Main.h"

#include <QAbstractButton>
#include <QApplication>
#include <QtTest>

using namespace kxtest;

namespace {

// Sets the output frequency by typing `hertz` and pressing "Hz"; the generator answers
// FREQ? with `reply`.
void readBackFrequency(Rig& rig, const QString& hertz, const char* reply) {
    rig.expect({{"FREQ " + hertz.toLatin1() + "HZ", ""}, {"FREQ?", line(reply)}});
    rig.ui().setF->setText(hertz);
    rig.ui().freqHz->click();
    QVERIFY(rig.scriptDone());
    QCOMPARE(rig.conversation().errors, QStringList());
    QCOMPARE(rig.takeBoxes().size(), 0);
}

} // namespace

class DutyCycleTest : public QObject {
    Q_OBJECT
private slots:
    void dutyCycle_data();
    void dutyCycle();
    void reachesGeneratorWithoutBusyState();
    void clickDuringPause_data();
    void clickDuringPause();
};

void DutyCycleTest::dutyCycle_data() {
    QTest::addColumn<QString>("wave");
    QTest::addColumn<QString>("hertz");
    QTest::addColumn<QString>("freqReply");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("code"); // 0: sent
    QTest::addColumn<QString>("after");
    const auto row = [](const char* wave, const char* hertz, const char* reply, const char* text,
                        int code) {
        // Only the sine's refusal empties the entry.
        const QString after = code == 9 ? QString() : QString::fromUtf8(text);
        QTest::addRow("%s %s Hz: \"%s\"", wave, hertz, text)
            << wave << hertz << reply << text << code << after;
    };
    // What the window does with each result: accepted, refused with the entry kept, and
    // the sine's refusal that empties it. The lines and the results of every value, with
    // no waveform or no frequency known yet, are those of the instrument layer
    // (tst_state_duty).
    row("square", "1000", "1.00000E+3", "50", 0);
    row("square", "1000", "1.00000E+3", "19", 7);
    row("square", "2000001", "2.000001E+6", "50", 10);
    row("sine", "1000", "1.00000E+3", "50", 9);
    // The entry's text goes to the check as it is: a pasted control character is not
    // dropped, and stays in the entry. (It holds two characters.)
    row("ramp", "100000", "1.00000E+5", "5\r", 7);
}

void DutyCycleTest::dutyCycle() {
    QFETCH(QString, wave);
    QFETCH(QString, hertz);
    QFETCH(QString, freqReply);
    QFETCH(QString, text);
    QFETCH(int, code);
    QFETCH(QString, after);
    Rig rig;
    rig.connected();
    button(rig, wave)->click();
    readBackFrequency(rig, hertz, qPrintable(freqReply));
    if (QTest::currentTestFailed())
        return;
    rig.takeLines();
    const QString message = rig.ui().message->text();

    rig.ui().duty->setText(text);
    if (code == 0)
        rig.expect({{"DCYC " + text.toLatin1(), ""}});
    else
        rig.expect({});
    rig.ui().setDuty->click();

    QVERIFY(rig.scriptDone());
    QCOMPARE(rig.conversation().errors, QStringList());
    QCOMPARE(boxes(rig), refusal(code));
    QCOMPARE(rig.ui().duty->text(), after);
    QCOMPARE(rig.ui().message->text(), message);
    QVERIFY(rig.main().isEnabled());
}

// Sent with the simulated generator: one line, one pause, no busy state.
void DutyCycleTest::reachesGeneratorWithoutBusyState() {
    Rig rig;
    rig.generator().settings().function = QStringLiteral("SQU");
    rig.generator().settings().dutyCycle = 30;
    rig.connected();
    QCOMPARE(rig.main().vars().waveShape, QStringLiteral("square"));
    const QString message = rig.ui().message->text();
    bool enabledInPause = false;
    QString messageInPause;
    rig.clock().duringNextWait = [&] {
        enabledInPause = rig.main().isEnabled();
        messageInPause = rig.ui().message->text();
    };
    const qint64 toTick = msToNextSecond(rig);
    rig.ui().duty->setText(QStringLiteral("50"));
    rig.ui().setDuty->click();
    QCOMPARE(rig.takeLines(), QList<QByteArray>{"DCYC 50"});
    QCOMPARE(rig.takeWaits(), QList<qint64>{toTick});
    QCOMPARE(rig.generator().settings().dutyCycle, 50.0);
    QVERIFY(enabledInPause);
    QCOMPARE(messageInPause, message);
    QCOMPARE(rig.ui().message->text(), message);
    QCOMPARE(rig.ui().duty->text(), QStringLiteral("50"));
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(boxes(rig), QStringList());
}

void DutyCycleTest::clickDuringPause_data() {
    QTest::addColumn<QString>("intruder");
    for (const char* b : {"outOn", "setDuty", "sine", "freqKHz", "updateDisplay"})
        QTest::newRow(b) << b;
}

// The window stays enabled during the pause, but a click there starts nothing.
void DutyCycleTest::clickDuringPause() {
    QFETCH(QString, intruder);
    Rig rig;
    rig.generator().settings().function = QStringLiteral("SQU");
    rig.connected();
    rig.ui().setF->setText(QStringLiteral("2"));
    rig.ui().duty->setText(QStringLiteral("50"));
    rig.clock().duringNextWait = [&] { button(rig, intruder)->click(); };
    rig.ui().setDuty->click();
    QCOMPARE(rig.takeLines(), QList<QByteArray>{"DCYC 50"});
    QCOMPARE(rig.main().vars().waveShape, QStringLiteral("square"));
    // The output as Connect read it: off.
    QVERIFY(rig.ui().outOn->isEnabled() && !rig.ui().outOff->isEnabled());
    QCOMPARE(rig.ui().frequency->text(), QStringLiteral("1.00000"));
    QCOMPARE(boxes(rig), QStringList());
}

QTEST_MAIN(DutyCycleTest)
#include "tst_duty_cycle.moc"
