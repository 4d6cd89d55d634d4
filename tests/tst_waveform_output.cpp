// The waveform buttons and the output switch: the lines sent, what the panel shows, and
// what happens when the generator does not confirm.

#include "support/Rig.h"

#include "state/modVariables.h"
#include "ui_Main.h"

#include <QAbstractButton>
#include <QtTest>

using namespace kxtest;
using Icon = kx::MessageBoxes::Icon;

class WaveformOutputTest : public QObject {
    Q_OBJECT
private slots:
    void waveformButtons_data();
    void waveformButtons();
    void waveformWithSilentGenerator();
    void rampLimitsLaterFrequency_data();
    void rampLimitsLaterFrequency();
    void outputAnswer_data();
    void outputAnswer();
    void outputWithGenerator();
    void clickDuringWaveformPause_data();
    void clickDuringWaveformPause();
};

void WaveformOutputTest::waveformButtons_data() {
    QTest::addColumn<QString>("startFunction"); // what the generator runs before
    QTest::addColumn<QString>("button");
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QString>("shape");
    QTest::addColumn<QString>("picture");
    QTest::newRow("Sine") << "SQU"
                          << "sine" << QByteArray("FUNC SIN") << "sine"
                          << "SINE";
    QTest::newRow("Square") << "TRI"
                            << "square" << QByteArray("FUNC SQU") << "square"
                            << "SQUARE";
    QTest::newRow("Ramp") << "SIN"
                          << "ramp" << QByteArray("FUNC TRI") << "ramp"
                          << "RAMP";
}

// One line and one pause; the shape and picture change, nothing else on the panel does.
void WaveformOutputTest::waveformButtons() {
    QFETCH(QString, startFunction);
    QFETCH(QString, button);
    QFETCH(QByteArray, sent);
    QFETCH(QString, shape);
    QFETCH(QString, picture);
    Rig rig;
    rig.generator().settings().function = startFunction;
    rig.connected();
    QVERIFY(rig.main().vars().waveShape != shape);
    Ui::Main& ui = rig.ui();
    ui.duty->setText(QStringLiteral("50"));
    const QStringList untouched{ui.duty->text(), ui.frequency->text(), ui.frequencyUnit->text(),
                                ui.amp->text(), ui.offset->text()};
    const double freqMax = rig.main().vars().freqMax;
    const qint64 toTick = msToNextSecond(rig);

    ::button(rig, button)->click();

    QCOMPARE(rig.takeLines(), (QList<QByteArray>{sent, "FREQ?"}));
    QCOMPARE(rig.takeWaits(), (QList<qint64>{toTick, 0}));
    QCOMPARE(rig.generator().settings().function, QString::fromLatin1(sent.mid(5)));
    QCOMPARE(rig.main().vars().waveShape, shape);
    QCOMPARE(kxtest::picture(rig), picture);
    QVERIFY(!ui.wave->pixmap().isNull());
    QCOMPARE((QStringList{ui.duty->text(), ui.frequency->text(), ui.frequencyUnit->text(),
                          ui.amp->text(), ui.offset->text()}),
             untouched);
    QCOMPARE(rig.main().vars().freqMax, freqMax);
    QCOMPARE(ui.message->text(), QStringLiteral("Ready"));
    QVERIFY(idle(rig));
    QCOMPARE(boxes(rig), QStringList());
}

// The choice is shown whatever the generator made of it.
void WaveformOutputTest::waveformWithSilentGenerator() {
    Rig rig;
    rig.connected();
    rig.port().responder = {};
    rig.ui().ramp->click();
    QCOMPARE(rig.takeLines(), (QList<QByteArray>{"FUNC TRI", "FREQ?"}));
    QCOMPARE(rig.ui().message->text(),
             QStringLiteral("No valid answer from the generator to FREQ?"));
    QCOMPARE(rig.generator().settings().function, QStringLiteral("SIN"));
    QCOMPARE(rig.main().vars().waveShape, QStringLiteral("ramp"));
    QCOMPARE(picture(rig), QStringLiteral("RAMP"));
    QVERIFY(idle(rig));
    QCOMPARE(boxes(rig), QStringList());
}

void WaveformOutputTest::rampLimitsLaterFrequency_data() {
    QTest::addColumn<QString>("model");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("KX12A: ramp up to 1 MHz") << "KX12A" << false;
    QTest::newRow("KX20A: ramp up to 2 MHz") << "KX20A" << true;
    QTest::newRow("KX25A: ramp up to 2 MHz") << "KX25A" << true;
}

// After Ramp a frequency entry is tested against the ramp's limit; Sine lifts it again.
// The generator brings a frequency above the ramp's limit down, and the display follows.
void WaveformOutputTest::rampLimitsLaterFrequency() {
    QFETCH(QString, model);
    QFETCH(bool, accepted);
    Rig rig(model);
    rig.generator().settings().frequency = 12e6;
    rig.connected();
    Ui::Main& ui = rig.ui();
    QCOMPARE(ui.frequency->text() + ui.frequencyUnit->text(), QStringLiteral("12MHz"));
    ui.ramp->click();
    QCOMPARE(rig.takeLines(), (QList<QByteArray>{"FUNC TRI", "FREQ?"}));
    QCOMPARE(ui.frequency->text() + ui.frequencyUnit->text(),
             accepted ? QStringLiteral("2.00000MHz") : QStringLiteral("1.00000MHz"));
    ui.setF->setText(QStringLiteral("1.5"));
    ui.freqMHz->click();
    if (accepted) {
        QCOMPARE(rig.takeLines(), (QList<QByteArray>{"FREQ 1.5MHZ", "FREQ?"}));
        QCOMPARE(boxes(rig), QStringList());
        QCOMPARE(ui.frequency->text(), QStringLiteral("1.50000"));
        QCOMPARE(ui.frequencyUnit->text(), QStringLiteral("MHz"));
        return;
    }
    QCOMPARE(rig.takeLines(), QList<QByteArray>());
    QCOMPARE(boxes(rig), QStringList{box(Icon::Stop, QStringLiteral("Invalid Input"),
                                         QStringLiteral("Range error! The entered value is "
                                                        "outside the frequency range of the "
                                                        "generator."))});
    QCOMPARE(ui.setF->text(), QString());

    ui.sine->click();
    rig.takeLines();
    ui.setF->setText(QStringLiteral("1.5"));
    ui.freqMHz->click();
    QCOMPARE(rig.takeLines(), (QList<QByteArray>{"FREQ 1.5MHZ", "FREQ?"}));
    QCOMPARE(boxes(rig), QStringList());
}

void WaveformOutputTest::outputAnswer_data() {
    QTest::addColumn<bool>("startOn"); // off: as Connect read it
    QTest::addColumn<QString>("button");
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("shown"); // "on", "off" or "unchanged"
    QTest::addColumn<QString>("message");
    // One row for each thing the window does with the result; what each answer to OUT?
    // makes of it is the instrument layer's (tst_state_settings).
    const QString ready = QStringLiteral("Ready");
    const QString unanswered = QStringLiteral("No valid answer from the generator to OUT?");
    QTest::newRow("ON answered 1: light on")
        << false << "outOn" << QByteArray("OUT ON") << line("1") << "on" << ready;
    QTest::newRow("OFF answered 0: light off")
        << true << "outOff" << QByteArray("OUT OFF") << line("0") << "off" << ready;
    QTest::newRow("OFF answered 1: unchanged")
        << true << "outOff" << QByteArray("OUT OFF") << line("1") << "unchanged" << ready;
    QTest::newRow("OFF unanswered: unchanged, told")
        << true << "outOff" << QByteArray("OUT OFF") << QByteArray() << "unchanged" << unanswered;
}

// The output group follows the generator's answer to OUT?, never just the button.
void WaveformOutputTest::outputAnswer() {
    QFETCH(bool, startOn);
    QFETCH(QString, button);
    QFETCH(QByteArray, sent);
    QFETCH(QByteArray, reply);
    QFETCH(QString, shown);
    QFETCH(QString, message);
    Rig rig;
    rig.connected();
    // Connect read the generator's output: off.
    QCOMPARE(output(rig), outputShown(false));
    if (startOn)
        rig.ui().outOn->click();
    const QString before = output(rig);
    QCOMPARE(before, outputShown(startOn));
    rig.takeLines();
    rig.takeBoxes();

    rig.expect({{sent, ""}, {"OUT?", reply}});
    ::button(rig, button)->click();
    QVERIFY(rig.scriptDone());
    QCOMPARE(rig.conversation().errors, QStringList());

    QCOMPARE(output(rig), shown == QLatin1String("unchanged")
                              ? before
                              : outputShown(shown == QLatin1String("on")));
    QCOMPARE(rig.ui().message->text(), message);
    QVERIFY(idle(rig));
    QCOMPARE(boxes(rig), QStringList());
}

// With the simulated generator: ON then OFF, two lines and two pauses each, in the busy
// state; an unanswered OUT? waits its full second.
void WaveformOutputTest::outputWithGenerator() {
    Rig rig;
    rig.connected();
    Ui::Main& ui = rig.ui();
    bool enabledInPause = true;
    rig.clock().duringNextWait = [&] { enabledInPause = rig.main().isEnabled(); };
    qint64 toTick = msToNextSecond(rig);
    ui.outOn->click();
    QVERIFY(!enabledInPause);
    QCOMPARE(rig.takeLines(), (QList<QByteArray>{"OUT ON", "OUT?"}));
    QCOMPARE(rig.takeWaits(), (QList<qint64>{toTick, 0}));
    QVERIFY(rig.generator().settings().output);
    QCOMPARE(output(rig), outputShown(true));

    toTick = msToNextSecond(rig);
    ui.outOff->click();
    QCOMPARE(rig.takeLines(), (QList<QByteArray>{"OUT OFF", "OUT?"}));
    QCOMPARE(rig.takeWaits(), (QList<qint64>{toTick, 0}));
    QVERIFY(!rig.generator().settings().output);
    QCOMPARE(output(rig), outputShown(false));

    rig.port().responder = {};
    toTick = msToNextSecond(rig);
    ui.outOn->click();
    QCOMPARE(rig.takeWaits(), (QList<qint64>{toTick, 1000}));
    QCOMPARE(output(rig), outputShown(false));
    QVERIFY(idle(rig));
    QCOMPARE(boxes(rig), QStringList());
}

void WaveformOutputTest::clickDuringWaveformPause_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QString>("shape");
    QTest::addColumn<QString>("intruder");
    QTest::newRow("Sine, then ON") << "sine" << QByteArray("FUNC SIN") << "sine"
                                   << "outOn";
    QTest::newRow("Square, then Ramp") << "square" << QByteArray("FUNC SQU") << "square"
                                       << "ramp";
    QTest::newRow("Ramp, then kHz") << "ramp" << QByteArray("FUNC TRI") << "ramp"
                                    << "freqKHz";
    QTest::newRow("Ramp, then %") << "ramp" << QByteArray("FUNC TRI") << "ramp"
                                  << "setDuty";
    QTest::newRow("Square, then V") << "square" << QByteArray("FUNC SQU") << "square"
                                    << "ampV";
}

// The window stays enabled during the waveform's pause, but a click there starts nothing.
void WaveformOutputTest::clickDuringWaveformPause() {
    QFETCH(QString, button);
    QFETCH(QByteArray, sent);
    QFETCH(QString, shape);
    QFETCH(QString, intruder);
    Rig rig;
    rig.generator().settings().function = QStringLiteral("TRI");
    rig.connected();
    Ui::Main& ui = rig.ui();
    ui.setF->setText(QStringLiteral("2"));
    ui.setA->setText(QStringLiteral("1"));
    ui.duty->setText(QStringLiteral("50"));
    const QString before = output(rig);
    bool enabledInPause = false;
    rig.clock().duringNextWait = [&] {
        enabledInPause = rig.main().isEnabled();
        ::button(rig, intruder)->click();
    };
    ::button(rig, button)->click();
    QVERIFY(enabledInPause);
    QCOMPARE(rig.takeLines(), (QList<QByteArray>{sent, "FREQ?"}));
    QCOMPARE(rig.main().vars().waveShape, shape);
    QCOMPARE(output(rig), before);
    QCOMPARE(ui.frequency->text(), QStringLiteral("1.00000"));
    QCOMPARE(ui.amp->text(), QStringLiteral("5.00000"));
    QCOMPARE(ui.setF->text(), QStringLiteral("2"));
    QCOMPARE(ui.duty->text(), QStringLiteral("50"));
    QVERIFY(idle(rig));
    QCOMPARE(boxes(rig), QStringList());
}

QTEST_MAIN(WaveformOutputTest)
#include "tst_waveform_output.moc"
