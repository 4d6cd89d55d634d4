// Frequency, amplitude and offset in the window: what the displays show from the
// generator's answer, the entries, and the busy state. The limits, the rule and the
// answers that do not decode, line by line, are in tst_state_settings.

#include "support/Rig.h"
#include "support/Texts.h"

#include "state/modVariables.h"
#include "ui_Main.h"

#include <QAbstractButton>
#include <QApplication>
#include <QtTest>

using namespace kxtest;

namespace {

// Entries, displays and the status line.
QStringList panel(Rig& rig) {
    Ui::Main& ui = rig.ui();
    return {ui.setF->text(),          ui.setA->text(), ui.setO->text(),   ui.frequency->text(),
            ui.frequencyUnit->text(), ui.amp->text(),  ui.offset->text(), ui.message->text()};
}

QString unitButton(const QString& unit) {
    return unit == QLatin1String("Hz")    ? QStringLiteral("freqHz")
           : unit == QLatin1String("kHz") ? QStringLiteral("freqKHz")
                                          : QStringLiteral("freqMHz");
}

} // namespace

class FrequencyLevelsTest : public QObject {
    Q_OBJECT
private slots:
    void twentyMegahertzNeedsALargerUnit();
    void frequencyReadBack_data();
    void frequencyReadBack();
    void levels_data();
    void levels();
    void settingsReachTheGenerator();
};

// Seven characters: 20 MHz cannot be typed in hertz, only in kHz or MHz.
void FrequencyLevelsTest::twentyMegahertzNeedsALargerUnit() {
    Rig rig(QStringLiteral("KX20A"));
    rig.connected();
    QTest::keyClicks(rig.ui().setF, QStringLiteral("20000000"));
    QCOMPARE(rig.ui().setF->text(), QStringLiteral("2000000"));
    rig.ui().freqHz->click();
    QCOMPARE(rig.takeLines(), (QList<QByteArray>{"FREQ 2000000HZ", "FREQ?"}));
    QCOMPARE(rig.generator().settings().frequency, 2e6);

    rig.ui().setF->clear();
    QTest::keyClicks(rig.ui().setF, QStringLiteral("20000"));
    rig.ui().freqKHz->click();
    QCOMPARE(rig.takeLines(), (QList<QByteArray>{"FREQ 20000KHZ", "FREQ?"}));
    QCOMPARE(rig.generator().settings().frequency, 20e6);
    QCOMPARE(rig.ui().frequency->text(), QStringLiteral("20"));
    QCOMPARE(rig.ui().frequencyUnit->text(), QStringLiteral("MHz"));
    QCOMPARE(boxes(rig), QStringList());
}

void FrequencyLevelsTest::frequencyReadBack_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("shownUnit");
    // Each unit button, and the answer shown in its own unit. How every answer decodes is
    // the instrument layer's (tst_state_sweep_modulation_trigger, tst_state_numbers).
    const auto row = [](const char* name, const char* text, const char* unit,
                        const QByteArray& reply, const char* shown, const char* shownUnit) {
        QTest::newRow(name) << text << unit << reply << shown << shownUnit;
    };
    row("2500 Hz shown in kHz", "2500", "Hz", line("2.50000E+3"), "2.50000", "kHz");
    row("0.5 kHz shown in Hz", "0.5", "kHz", line("5.00000E+2"), "500", "Hz");
    row("15 MHz, CR LF", "15", "MHz", "1.50000E+7\r\n", "15", "MHz");
    row("the generator's value, not the entry", "2.5", "kHz", line("2.40000E+3"), "2.40000", "kHz");
}

// The display shows the answer to FREQ? in the unit the answer chose.
void FrequencyLevelsTest::frequencyReadBack() {
    QFETCH(QString, text);
    QFETCH(QString, unit);
    QFETCH(QByteArray, reply);
    QFETCH(QString, shown);
    QFETCH(QString, shownUnit);
    Rig rig;
    rig.connected();
    rig.expect({{"FREQ " + text.toLatin1() + unit.toUpper().toLatin1(), ""}, {"FREQ?", reply}});
    rig.ui().setF->setText(text);
    const qint64 toTick = msToNextSecond(rig);
    button(rig, unitButton(unit))->click();
    QVERIFY(rig.scriptDone());
    QCOMPARE(rig.conversation().errors, QStringList());
    QCOMPARE(rig.ui().frequency->text(), shown);
    QCOMPARE(rig.ui().frequencyUnit->text(), shownUnit);
    QCOMPARE(rig.ui().setF->text(), text);
    // The reply is there at once, and the query waits for nothing more.
    QCOMPARE(rig.takeWaits(), (QList<qint64>{toTick, 0}));
    QCOMPARE(rig.ui().message->text(), QStringLiteral("Ready"));
    QVERIFY(idle(rig));
    QCOMPARE(boxes(rig), QStringList());
}

void FrequencyLevelsTest::levels_data() {
    levelColumns();
    const auto amp = [](auto... args) { levelRow(true, args...); };
    const auto offs = [](auto... args) { levelRow(false, args...); };
    // The limits and the rule row by row: tst_state_settings.
    amp("9 at offset 0.5: exactly 5", "9", "0.50000", 0, "9.00000E+0", "9.00000");
    amp("10 at offset -0.5", "10", "-0.50000", 8);
    offs("2.5 at amplitude 5: exactly 5", "2.5", "5.00000", 0, "2.50000E+0", "2.50000");
    offs("4.9 at amplitude 1", "4.9", "1.00000", 8);
}

// The rule takes the other value as displayed, never as typed in the other entry; a
// refusal empties the entry and leaves the rest as it was.
void FrequencyLevelsTest::levels() {
    QFETCH(bool, amplitude);
    QFETCH(QString, text);
    QFETCH(QString, otherShown);
    QFETCH(int, code);
    QFETCH(QByteArray, reply);
    QFETCH(QString, shown);
    Rig rig;
    rig.connected();
    Ui::Main& ui = rig.ui();
    QLineEdit* const own = amplitude ? ui.setA : ui.setO;
    QLineEdit* const ownDisplay = amplitude ? ui.amp : ui.offset;
    (amplitude ? ui.offset : ui.amp)->setText(otherShown);
    // Typed in the other entry but never sent: breaks the rule if it were used.
    (amplitude ? ui.setO : ui.setA)->setText(amplitude ? "5" : "10");
    own->setText(text);
    const QStringList before = panel(rig);
    const QByteArray keyword = amplitude ? "AMPL" : "OFFS";
    if (code == 0)
        rig.expect({{keyword + ' ' + text.toLatin1(), ""}, {keyword + '?', reply}});
    else
        rig.expect({});
    (amplitude ? ui.ampV : ui.offV)->click();
    QVERIFY(rig.scriptDone());
    QCOMPARE(rig.conversation().errors, QStringList());
    QVERIFY(idle(rig));
    if (code == 0) {
        QCOMPARE(boxes(rig), QStringList());
        QCOMPARE(ownDisplay->text(), shown);
        QCOMPARE(own->text(), text);
        QCOMPARE(ui.message->text(), QStringLiteral("Ready"));
    } else {
        QCOMPARE(boxes(rig), refusal(code));
        QStringList expected = before;
        expected[amplitude ? 1 : 2].clear();
        QCOMPARE(panel(rig), expected);
    }
}

// With the simulated generator: each setting reaches it, the displays show its answers,
// the busy state covers both lines, and each setting line pauses to the next whole second.
void FrequencyLevelsTest::settingsReachTheGenerator() {
    Rig rig;
    rig.connected();
    Ui::Main& ui = rig.ui();
    bool enabledInPause = true;
    QString messageInPause;
    rig.clock().duringNextWait = [&] {
        enabledInPause = rig.main().isEnabled();
        messageInPause = ui.message->text();
    };
    ui.setA->setText(QStringLiteral("4"));
    qint64 toTick = msToNextSecond(rig);
    ui.ampV->click();
    QVERIFY(!enabledInPause);
    QCOMPARE(messageInPause, QStringLiteral("Please wait..."));
    QCOMPARE(rig.takeLines(), (QList<QByteArray>{"AMPL 4", "AMPL?"}));
    QCOMPARE(rig.takeWaits(), (QList<qint64>{toTick, 0}));
    QCOMPARE(rig.generator().settings().amplitude, 4.0);
    QCOMPARE(ui.amp->text(), QStringLiteral("4.00000"));

    ui.setO->setText(QStringLiteral("-2.5"));
    toTick = msToNextSecond(rig);
    QCOMPARE(toTick, 1000); // the last pause ended on a whole second, the query took no time
    ui.offV->click();
    QCOMPARE(rig.takeLines(), (QList<QByteArray>{"OFFS -2.5", "OFFS?"}));
    QCOMPARE(rig.takeWaits(), (QList<qint64>{toTick, 0}));
    QCOMPARE(rig.generator().settings().offset, -2.5);
    QCOMPARE(ui.offset->text(), QStringLiteral("-2.50000"));

    ui.setF->setText(QStringLiteral("2.5"));
    toTick = msToNextSecond(rig);
    ui.freqKHz->click();
    QCOMPARE(rig.takeLines(), (QList<QByteArray>{"FREQ 2.5KHZ", "FREQ?"}));
    QCOMPARE(rig.takeWaits(), (QList<qint64>{toTick, 0}));
    QCOMPARE(rig.generator().settings().frequency, 2500.0);
    QCOMPARE(ui.frequency->text(), QStringLiteral("2.50000"));
    QCOMPARE(ui.frequencyUnit->text(), QStringLiteral("kHz"));
    QCOMPARE(ui.message->text(), QStringLiteral("Ready"));
    QVERIFY(idle(rig));
    QCOMPARE(boxes(rig), QStringList());

    // The rule now sees amplitude 4 and offset -2.5: 2 + 2.5 = 4.5, so 5 V is too much.
    ui.setA->setText(QStringLiteral("5.1"));
    ui.ampV->click();
    QCOMPARE(boxes(rig), refusal(8));
    QCOMPARE(rig.takeLines(), QList<QByteArray>());
}

QTEST_MAIN(FrequencyLevelsTest)
#include "tst_frequency_levels.moc"
