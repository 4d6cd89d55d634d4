// End to end: sweep, modulation and trigger set from the panel, over its real QSerialPort
// to kx-sim on the real clock; then kx-sim is asked on a line of the test's own whether
// it holds what the panel shows, and (it is strict) whether it rejected any line the
// panel sent.

#include "support/MessageRecorder.h"
#include "support/SimProcess.h"

#include "app/Main.h"
#include "link/Clock.h"
#include "link/Exchange.h"
#include "link/SerialPort.h"
#include "sim/Generator.h"
#include "ui_Main.h"

#include <QtTest>

using namespace kxtest;

class EndToEndSweepModulationTriggerTest : public QObject {
    Q_OBJECT
private slots:
    void sweep();
    void modulation();
    void externalSources();
    void operatingModes();

private:
    // Starts kx-sim on port 3 and a panel connected to it.
    bool start(const QString& model);
    void click(const char* button, const char* entry = nullptr, const QString& text = {});
    // Texts of the panel's controls, by name.
    QStringList shown(const QStringList& names);
    // kx-sim's answers to `queries`, once the panel has let go of the line. Then it is
    // asked how many lines it rejected; any but 0 is added as "rejected: N", so that the
    // test's comparison fails.
    QStringList held(const QList<QByteArray>& queries);

    std::unique_ptr<SimProcess> sim_;
    MessageRecorder* boxes_ = nullptr;
    std::unique_ptr<kx::Main> main_;
};

bool EndToEndSweepModulationTriggerTest::start(const QString& model) {
    main_.reset();
    sim_ = std::make_unique<SimProcess>();
    QString why;
    if (!sim_->start({"--model", model, "--port", "3"}, &why))
        qWarning("%s", qPrintable(why));
    kx::Seams seams;
    auto recorder = std::make_unique<MessageRecorder>();
    boxes_ = recorder.get();
    seams.boxes = std::move(recorder);
    seams.configDir = sim_->config.path();
    seams.quit = [] {};
    main_ = std::make_unique<kx::Main>(std::move(seams));
    main_->ui().comPort->setEditText(QStringLiteral("3"));
    main_->ui().connectBtn->click();
    return main_->ui().message->text().startsWith(model);
}

void EndToEndSweepModulationTriggerTest::click(const char* button, const char* entry,
                                               const QString& text) {
    if (entry)
        main_->findChild<QLineEdit*>(entry)->setText(text);
    main_->findChild<QAbstractButton*>(button)->click();
}

QStringList EndToEndSweepModulationTriggerTest::shown(const QStringList& names) {
    QStringList out;
    for (const QString& name : names) {
        QObject* o = main_->findChild<QObject*>(name);
        const auto* e = qobject_cast<QLineEdit*>(o);
        out << (e ? e->text() : qobject_cast<QLabel*>(o)->text());
    }
    return out;
}

QStringList EndToEndSweepModulationTriggerTest::held(const QList<QByteArray>& queries) {
    main_->ui().closeBtn->click();
    kx::QtSerialPort port;
    kx::RealClock clock;
    kx::Exchange line(port, clock);
    if (!line.open(sim_->device))
        return {QStringLiteral("cannot open ") + sim_->device};
    QStringList out;
    for (const QByteArray& query : queries) {
        line.processEcho(QString::fromLatin1(query));
        out << line.readReceived().trimmed();
    }
    line.processEcho(QString::fromLatin1(kxsim::Generator::rejectedQuery));
    const QString rejected = line.readReceived().trimmed();
    if (rejected != QLatin1String("0"))
        out << QStringLiteral("rejected: ") + rejected;
    return out;
}

void EndToEndSweepModulationTriggerTest::sweep() {
    QVERIFY(start(QStringLiteral("KX25A")));
    click("startSweepkHz", "startFreq", "1");
    click("stopSweepkHz", "stopFreq", "20");
    click("sweepRateSec", "sweepRate", "2.5");
    click("linearSweep");
    QCOMPARE(shown({"mode", "funcIndicator", "funcInfo", "funcInfo2"}),
             (QStringList{"Cont", "Linear Sweep", "Start Frequency: 1.00000kHz",
                          "Stop Frequency: 20kHz"}));
    click("logSweep");
    QCOMPARE(shown({"funcIndicator", "message"}), (QStringList{"Log Sweep", "Ready"}));
    QCOMPARE(held({"SWE?", "SWSTA?", "SWSTO?", "SWRA?", "MODE?", "MODUL?"}),
             (QStringList{"LOG ON", "1.00000E+3", "2.00000E+4", "2.50000E+0", "CONT", "OFF"}));
    QVERIFY(boxes_->boxes.isEmpty());
}

void EndToEndSweepModulationTriggerTest::modulation() {
    QVERIFY(start(QStringLiteral("KX20A")));
    main_->ui().modType->setCurrentIndex(0); // AM Internal
    click("ModTypeSet");
    main_->ui().modShape->setCurrentIndex(1); // Square
    click("modShapeSet");
    click("modFreqHz", "modFreq", "500");
    click("setDepth", "depthAM", "80");
    QCOMPARE(shown({"funcIndicator", "source", "funcInfo", "funcInfo2"}),
             (QStringList{"AM Modulation", "INT", "Mod. Shape: Square", "Mod. Frequency: 500Hz"}));
    click("devFMkHz", "devFM", "5"); // refused: AM runs
    QCOMPARE(boxes_->boxes.size(), 1);
    main_->ui().modType->setCurrentIndex(2); // FM Internal
    click("ModTypeSet");
    click("devFMkHz", "devFM", "5");
    QCOMPARE(shown({"funcIndicator", "source", "message"}),
             (QStringList{"FM Modulation", "INT", "Ready"}));
    QCOMPARE(held({"MODUL?", "MODSH?", "MODFR?", "DEPT?", "DEV?"}),
             (QStringList{"FM INT", "SQU", "5.00000E+2", "8.00000E+1", "5.00000E+3"}));
    QCOMPARE(boxes_->boxes.size(), 1);
}

// The generator's own answer decides: depth and deviation are refused for an external
// source.
void EndToEndSweepModulationTriggerTest::externalSources() {
    for (const auto& [item, refused, entry, indicator, answer] :
         {std::tuple{1, "setDepth", "depthAM", "AM Modulation", "AM EXT"},
          {3, "devFMHz", "devFM", "FM Modulation", "FM EXT"}}) {
        QVERIFY(start(QStringLiteral("KX25A")));
        main_->ui().modType->setCurrentIndex(item);
        click("ModTypeSet");
        click(refused, entry, "50");
        QCOMPARE(shown({"funcIndicator", "source", entry}), (QStringList{indicator, "EXT", "50"}));
        QCOMPARE(boxes_->boxes.size(), 1);
        QCOMPARE(held({"MODUL?", "DEPT?", "DEV?"}),
                 (QStringList{answer, "5.00000E+1", "1.00000E+3"}));
    }
}

void EndToEndSweepModulationTriggerTest::operatingModes() {
    const struct {
        int item;
        const char* mode;
        int source; // -1: refused in continuous mode
        const char* held;
    } modes[] = {{1, "Trig", 1, "TRIG EXT"},
                 {2, "Gate", 0, "GATE INT"},
                 {3, "Burst", 1, "BURS EXT"},
                 {0, "Cont", -1, "CONT INT"}};
    for (const auto& m : modes) {
        QVERIFY(start(QStringLiteral("KX12A")));
        main_->ui().trigMode->setCurrentIndex(m.item);
        click("TrigModeSet");
        main_->ui().trigSource->setCurrentIndex(std::max(m.source, 0));
        click("TrigSourceSet");
        click("trigRateMilli", "trigRate", "20");
        QCOMPARE(shown({"mode", "source"}), (QStringList{m.mode, m.source < 0 ? ""
                                                                 : m.source   ? "EXT"
                                                                              : "INT"}));
        QCOMPARE(boxes_->boxes.size(), m.source < 0 ? 1 : 0);
        QCOMPARE(held({"MODE?", "TRIG?"}).join(' '), QString::fromLatin1(m.held));
    }
}

QTEST_MAIN(EndToEndSweepModulationTriggerTest)
#include "tst_e2e_sweep_modulation_trigger.moc"
