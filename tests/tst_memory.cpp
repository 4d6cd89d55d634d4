// Memory locations: the check of every change of the location, and Save, Recall and
// Recall Factory Default with their lines, pauses and the read-back after each. With no
// port open they are rows of tst_rows.

#include "support/Rig.h"

#include "state/modVariables.h"
#include "ui_Main.h"

#include <QtTest>

using namespace kxtest;
using Icon = kx::MessageBoxes::Icon;
using Lines = QList<QByteArray>;

namespace {

const Lines refreshLines{"FUNC?", "FREQ?", "AMPL?", "OFFS?", "MODE?", "SWE?", "MODUL?", "OUT?"};

QString invalid(const char* text) {
    return box(Icon::Stop, QStringLiteral("Invalid Input"), QString::fromLatin1(text));
}
const QString numberOnly = invalid(
    "Enter number only. For KX12A: Valid numbers: 1-9 .For KX20A/KX25A: Valid numbers: 1-19");
const QString outside = invalid("Number outside of valid range.");

// Save and Recall enabled, as a pair: "save recall".
QString buttons(Rig& rig) {
    return QStringLiteral("%1 %2")
        .arg(rig.ui().save->isEnabled())
        .arg(rig.ui().recall->isEnabled());
}

} // namespace

class MemoryTest : public QObject {
    Q_OBJECT
private slots:
    void locationCheck_data();
    void locationCheck();
    void eachKeystroke();
    void operations_data();
    void operations();
    void recalledSetUpIsShown();
    void checkedAgainAtTheClick_data();
    void checkedAgainAtTheClick();
};

void MemoryTest::locationCheck_data() {
    QTest::addColumn<QString>("model"); // empty: nothing connected
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("box"); // empty: accepted, both buttons enabled
    const auto row = [](const char* model, const char* text, const QString& box) {
        QTest::addRow("%s '%s'", *model ? model : "none", text) << model << text << box;
    };
    row("KX12A", "1", {});
    row("KX12A", "9", {});
    row("KX12A", "10", outside);
    row("KX20A", "19", {});
    row("KX25A", "19", {});
    row("KX25A", "20", outside);
    row("KX25A", "0", outside);
    // A location is a whole number, however it is written.
    row("KX25A", "0.5", numberOnly);
    row("KX25A", "2.5", numberOnly);
    row("KX25A", "-1.5", numberOnly);
    row("KX25A", "1e-1", numberOnly);
    row("KX25A", " 3 ", {});
    row("KX25A", "3.0", {});
    row("KX25A", "03", {});
    row("KX25A", "3.", {});
    row("KX25A", "0.3e1", {});
    row("KX25A", "100e-2", {});
    row("KX25A", "30E-1", {});
    row("KX25A", "+3", {});
    row("KX25A", "35e-1", numberOnly);
    row("KX25A", "1e1", {});
    row("KX20A", "1e1", {});
    row("KX12A", "1e1", outside);
    // Too large or too small for a double: no number at all, as for every entry.
    row("KX25A", "1e99999999999", numberOnly);
    row("KX25A", "1e-400", numberOnly);
    // Whole or not by its digits, not by the nearest double (3 and 19).
    row("KX25A", "2.99999999999999999", numberOnly);
    row("KX25A", "19.00000000000000001", numberOnly);
    row("KX25A", "0e-400", outside);
    row("KX25A", "-3", outside);
    row("KX25A", "-1", outside);
    row("KX25A", "-0", outside);
    row("KX20A", "20", outside);
    row("KX25A", "1e20", outside);
    row("KX25A", "abc", numberOnly);
    row("KX25A", "5a", numberOnly);
    row("KX25A", "", numberOnly);
    row("KX25A", "3 4", numberOnly);
    // A pasted control character or another blank would go out on the line.
    for (const char* text : {"5\r", "\n5", "\t5", "5\xc2\xa0", "\xd9\xa5"})
        row("KX25A", text, numberOnly);
    row("", "1", outside);
    row("", "19", outside);
    row("", "abc", numberOnly);
    row("", "2.5", numberOnly);
}

void MemoryTest::locationCheck() {
    QFETCH(QString, model);
    QFETCH(QString, text);
    QFETCH(QString, box);
    Rig rig(model.isEmpty() ? QStringLiteral("KX25A") : model);
    if (!model.isEmpty())
        rig.connected();
    QCOMPARE(buttons(rig), QStringLiteral("0 1")); // as at start
    rig.ui().memLocation->setText(QStringLiteral("x"));
    rig.takeBoxes();
    rig.ui().memLocation->setText(text);
    QCOMPARE(boxes(rig), box.isEmpty() ? QStringList() : QStringList{box});
    QCOMPARE(buttons(rig), box.isEmpty() ? QStringLiteral("1 1") : QStringLiteral("0 0"));
    QCOMPARE(rig.takeLines(), Lines());
    QCOMPARE(rig.ui().memLocation->text(), text);
}

// On a KX12A: 1 is fine, the 0 after it makes 10, and clearing the field asks for a
// number; each keystroke is checked.
void MemoryTest::eachKeystroke() {
    Rig rig(QStringLiteral("KX12A"));
    rig.connected();
    QLineEdit* field = rig.ui().memLocation;
    QTest::keyClicks(field, QStringLiteral("1"));
    QCOMPARE(boxes(rig), QStringList());
    QTest::keyClick(field, Qt::Key_0);
    QCOMPARE(boxes(rig), QStringList{outside});
    QCOMPARE(buttons(rig), QStringLiteral("0 0"));
    QTest::keyClick(field, Qt::Key_Backspace);
    QCOMPARE(boxes(rig), QStringList());
    QCOMPARE(buttons(rig), QStringLiteral("1 1"));
    QTest::keyClick(field, Qt::Key_Backspace);
    QCOMPARE(boxes(rig), QStringList{numberOnly});
    QCOMPARE(buttons(rig), QStringLiteral("0 0"));
}

void MemoryTest::operations_data() {
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("extraPause");
    const auto row = [](const char* name, const char* model, const char* typed, const char* button,
                        const char* line, bool extraPause) {
        QTest::newRow(name) << model << typed << button << QByteArray(line) << extraPause;
    };
    row("save", "KX25A", "3", "save", "*SAV 3", true);
    row("recall", "KX25A", "3", "recall", "*RCL 3", true);
    row("factory default", "KX25A", "3", "facDefault", "*RCL 0", false);
    // The line carries the location in plain digits, not as it was typed.
    row("save ' 3 '", "KX25A", " 3 ", "save", "*SAV 3", true);
    row("save 3.0", "KX25A", "3.0", "save", "*SAV 3", true);
    row("recall 03", "KX25A", "03", "recall", "*RCL 3", true);
    row("save 1e1 on a KX20A", "KX20A", "1e1", "save", "*SAV 10", true);
    row("recall 1e1 on a KX25A", "KX25A", "1e1", "recall", "*RCL 10", true);
    row("save +19.000 on a KX20A", "KX20A", "+19.000", "save", "*SAV 19", true);
    row("factory default, no location", "KX12A", "abc", "facDefault", "*RCL 0", false);
}

// The line, its pause to the next whole second, one more second for Save and Recall,
// then the full read-back, all in the busy state.
void MemoryTest::operations() {
    QFETCH(QString, model);
    QFETCH(QString, typed);
    QFETCH(QString, button);
    QFETCH(QByteArray, line);
    QFETCH(bool, extraPause);
    Rig rig(model);
    rig.connected();
    rig.ui().memLocation->setText(typed);
    rig.takeBoxes();
    bool busyInPause = false;
    rig.clock().duringNextWait = [&] { busyInPause = !rig.main().isEnabled(); };
    const qint64 toTick = msToNextSecond(rig);
    ::button(rig, button)->click();
    QVERIFY(busyInPause);
    QCOMPARE(rig.takeLines(), Lines{line} + refreshLines);
    QList<qint64> waits{toTick};
    if (extraPause)
        waits << 1000;
    waits << QList<qint64>(refreshLines.size(), 0);
    QCOMPARE(rig.takeWaits(), waits);
    QCOMPARE(boxes(rig), QStringList());
    QCOMPARE(rig.ui().message->text(), QStringLiteral("Ready"));
    QVERIFY(idle(rig));
}

// A set-up saved, then changed, comes back with Recall; the factory set-up with
// Recall Factory Default.
void MemoryTest::recalledSetUpIsShown() {
    Rig rig;
    rig.connected();
    Ui::Main& ui = rig.ui();
    const QStringList factory{ui.frequency->text(), ui.frequencyUnit->text(), ui.amp->text()};
    ui.setF->setText(QStringLiteral("250"));
    ui.freqKHz->click();
    ui.setA->setText(QStringLiteral("2"));
    ui.ampV->click();
    ui.square->click();
    ui.outOn->click();
    ui.memLocation->setText(QStringLiteral("7"));
    ui.save->click();
    ui.setF->setText(QStringLiteral("3"));
    ui.freqMHz->click();
    ui.sine->click();
    ui.outOff->click();
    QCOMPARE(ui.frequency->text(), QStringLiteral("3.00000"));
    QCOMPARE(output(rig), outputShown(false));

    ui.recall->click();
    QCOMPARE(
        (QStringList{ui.frequency->text(), ui.frequencyUnit->text(), ui.amp->text()}),
        (QStringList{QStringLiteral("250"), QStringLiteral("kHz"), QStringLiteral("2.00000")}));
    QCOMPARE(rig.main().vars().waveShape, QStringLiteral("square"));
    // The output light follows the recalled set-up, which had the output on...
    QCOMPARE(output(rig), outputShown(true));

    ui.facDefault->click();
    // ...and the factory set-up, which has it off.
    QCOMPARE(output(rig), outputShown(false));
    QCOMPARE((QStringList{ui.frequency->text(), ui.frequencyUnit->text(), ui.amp->text()}),
             factory);
    QCOMPARE(rig.main().vars().waveShape, QStringLiteral("sine"));
    QCOMPARE(boxes(rig), QStringList());
}

void MemoryTest::checkedAgainAtTheClick_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("typed");    // typed while a KX25A was connected ("": nothing)
    QTest::addColumn<QString>("nowModel"); // the model connected at the click
    QTest::addColumn<QString>("box");
    QTest::newRow("recall before any location") << "recall"
                                                << ""
                                                << "KX25A" << numberOnly;
    QTest::newRow("save 15 now on a KX12A") << "save"
                                            << "15"
                                            << "KX12A" << outside;
    QTest::newRow("recall 15 now on a KX12A") << "recall"
                                              << "15"
                                              << "KX12A" << outside;
}

// Save and Recall send only a location valid for the model connected at the click;
// the buttons keep their states.
void MemoryTest::checkedAgainAtTheClick() {
    QFETCH(QString, button);
    QFETCH(QString, typed);
    QFETCH(QString, nowModel);
    QFETCH(QString, box);
    Rig rig;
    rig.connected();
    if (!typed.isEmpty())
        rig.ui().memLocation->setText(typed);
    const QString before = buttons(rig);
    rig.main().vars().modelName = nowModel;
    rig.expect({});
    ::button(rig, button)->click();
    QCOMPARE(boxes(rig), QStringList{box});
    QCOMPARE(buttons(rig), before);
    QVERIFY(idle(rig));
}

QTEST_MAIN(MemoryTest)
#include "tst_memory.moc"
