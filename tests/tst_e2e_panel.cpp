// End to end: the panel's real QSerialPort over a pseudo-terminal to kx-sim, on the
// real clock. kx-sim is strict: every test ends by reading its exit line, which must say
// that it rejected none of the panel's lines.

#include "support/Files.h"
#include "support/MessageRecorder.h"
#include "support/SimProcess.h"

#include "app/Main.h"
#include "kit/MessageBoxes.h"
#include "kit/ShapeWidget.h"
#include "link/SerialPort.h"
#include "sim/Generator.h"
#include "state/modVariables.h"
#include "ui_Main.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

using namespace kxtest;

namespace {

// kx-sim on port 3 of its private configuration directory.
QStringList onPort3(QStringList args) {
    return args << QStringLiteral("--port") << QStringLiteral("3");
}

struct Panel {
    MessageRecorder* boxes = nullptr;
    int quits = 0;
    QString setupFile; // what the set-up file dialogs answer
    std::unique_ptr<kx::Main> main;

    explicit Panel(const QString& configDir) {
        kx::Seams seams;
        auto recorder = std::make_unique<MessageRecorder>();
        boxes = recorder.get();
        seams.boxes = std::move(recorder);
        seams.configDir = configDir;
        seams.quit = [this] { ++quits; };
        seams.setupFileName = [this](QWidget*, bool) { return setupFile; };
        main = std::make_unique<kx::Main>(std::move(seams));
    }
    Ui::Main& ui() { return main->ui(); }
    void connect() {
        ui().comPort->setEditText(QStringLiteral("3"));
        ui().connectBtn->click();
    }
    // Types `value` into the entry `control` (or, for a list, chooses the item at that
    // index) and clicks `button`.
    void click(const QString& button, const QString& control = {}, const QString& value = {}) {
        if (auto* entry = main->findChild<QLineEdit*>(control))
            entry->setText(value);
        if (auto* list = main->findChild<QComboBox*>(control))
            list->setCurrentIndex(value.toInt());
        main->findChild<QAbstractButton*>(button)->click();
    }
    // What the displays show of the generator's state; the modulation's source last.
    QStringList displays() {
        return {"wave=" + ui().wave->property("picture").toString(),
                "frequency=" + ui().frequency->text() + ' ' + ui().frequencyUnit->text(),
                "amplitude=" + ui().amp->text(),
                "offset=" + ui().offset->text(),
                "mode=" + ui().mode->text(),
                "indicator=" + ui().funcIndicator->text(),
                QStringLiteral("output=") +
                    (ui().outLight->fillColor() == QColor(0, 255, 0) ? "on" : "off"),
                "source=" + ui().source->text()};
    }
};

// Writes `lines` to the generator on a line of the test's own, at once (kx-sim needs no
// pause between lines), and returns each query's answer after its query. Last comes the
// number of lines kx-sim has rejected since it started.
QStringList talk(const QString& device, const QList<QByteArray>& lines) {
    kx::QtSerialPort port;
    if (!port.open(device))
        return {QStringLiteral("cannot open ") + device};
    QStringList out;
    QByteArray received;
    for (const QByteArray& line : lines + QList<QByteArray>{kxsim::Generator::rejectedQuery}) {
        port.write(line + '\r');
        if (!line.endsWith('?'))
            continue;
        if (!QTest::qWaitFor(
                [&] {
                    received += port.readAll();
                    return received.contains('\r');
                },
                2000))
            return out << QString::fromLatin1(line) + QStringLiteral(" unanswered");
        const qsizetype end = received.indexOf('\r');
        out << QString::fromLatin1(line + ' ' + received.left(end));
        received.remove(0, end + 1);
    }
    return out;
}

} // namespace

class EndToEndTest : public QObject {
    Q_OBJECT
private slots:
    void connectShowsTheGenerator();
    void settingShowsTheGeneratorsAnswer();
    void lateAnswersAreNotMisread();
    void echoingGeneratorWorks();
    void simulatorGoneIsALostConnection();
    void closedInsideAPauseSendsNothingMore_data();
    void closedInsideAPauseSendsNothingMore();
    void setupSurvivesFactoryDefault_data();
    void setupSurvivesFactoryDefault();
};

void EndToEndTest::connectShowsTheGenerator() {
    SimProcess sim;
    QString why;
    QVERIFY2(sim.start(onPort3({QStringLiteral("--model"), QStringLiteral("KX12A")}), &why),
             qPrintable(why));
    Panel panel(sim.config.path());
    // The machine's own serial ports may be listed too; port 3 is the simulator's.
    QVERIFY(panel.ui().comPort->findText(QStringLiteral("3")) >= 0);
    panel.connect();
    QVERIFY2(panel.boxes->boxes.isEmpty(), qPrintable(panel.boxes->boxes.value(0).text));
    QCOMPARE(panel.ui().PortOpenStat->fillColor(), QColor(0, 255, 0));
    QVERIFY(panel.ui().message->text().startsWith(QLatin1String("KX12A")));
    QCOMPARE(panel.ui().modShape->count(), 1);
    QCOMPARE(panel.ui().frequency->text(), QStringLiteral("1.00000"));
    QCOMPARE(panel.ui().frequencyUnit->text(), QStringLiteral("kHz"));
    QCOMPARE(panel.ui().amp->text(), QStringLiteral("5.00000"));
    QCOMPARE(panel.ui().mode->text(), QStringLiteral("CONT"));
    QCOMPARE(panel.main->vars().waveShape, QStringLiteral("sine"));
    // The panel closes and reopens its end; the simulator is still there.
    panel.ui().closeBtn->click();
    panel.connect();
    QCOMPARE(panel.ui().PortOpenStat->fillColor(), QColor(0, 255, 0));
    QVERIFY(panel.ui().message->text().startsWith(QLatin1String("KX12A")));
    QCOMPARE(sim.rejectedOnExit(), 0);
}

void EndToEndTest::settingShowsTheGeneratorsAnswer() {
    SimProcess sim;
    QString why;
    QVERIFY2(sim.start(onPort3({QStringLiteral("--crlf")}), &why), qPrintable(why));
    Panel panel(sim.config.path());
    panel.connect();
    panel.ui().setF->setText(QStringLiteral("2500"));
    panel.ui().freqHz->click();
    QCOMPARE(panel.ui().frequency->text(), QStringLiteral("2.50000"));
    QCOMPARE(panel.ui().frequencyUnit->text(), QStringLiteral("kHz"));
    panel.ui().outOn->click();
    QVERIFY(!panel.ui().outOn->isEnabled());
    QCOMPARE(panel.ui().outLight->fillColor(), QColor(0, 255, 0));
    QCOMPARE(panel.ui().message->text(), QStringLiteral("Ready"));
    QCOMPARE(sim.rejectedOnExit(), 0);
}

void EndToEndTest::lateAnswersAreNotMisread() {
    SimProcess sim;
    QString why;
    QVERIFY2(sim.start(onPort3({QStringLiteral("--fault"), QStringLiteral("late")}), &why),
             qPrintable(why));
    Panel panel(sim.config.path());
    panel.connect();
    // Every answer comes after the query has given up: nothing is shown as an answer
    // to the wrong question.
    QCOMPARE(panel.ui().message->text(),
             QStringLiteral("No valid answer from the generator to *IDN? The generator was not "
                            "identified."));
    QVERIFY(panel.main->vars().modelName.isEmpty());
    QVERIFY(panel.main->isEnabled());
    QCOMPARE(sim.rejectedOnExit(), 0);
}

// A generator that echoes every line: Connect, a setting and Update read the answers,
// never the echoes.
void EndToEndTest::echoingGeneratorWorks() {
    SimProcess sim;
    QString why;
    QVERIFY2(sim.start(onPort3({QStringLiteral("--fault"), QStringLiteral("echo"),
                                QStringLiteral("--crlf")}),
                       &why),
             qPrintable(why));
    Panel panel(sim.config.path());
    panel.connect();
    QVERIFY(panel.ui().message->text().startsWith(QLatin1String("KX25A")));
    QCOMPARE(panel.ui().frequency->text(), QStringLiteral("1.00000"));
    QCOMPARE(panel.ui().mode->text(), QStringLiteral("CONT"));
    panel.ui().setO->setText(QStringLiteral("0.005"));
    panel.ui().offV->click();
    QCOMPARE(panel.ui().offset->text(), QStringLiteral("0.005"));
    QCOMPARE(panel.ui().message->text(), QStringLiteral("Ready"));
    panel.ui().updateDisplay->click();
    QCOMPARE(panel.ui().amp->text(), QStringLiteral("5.00000"));
    QCOMPARE(panel.ui().offset->text(), QStringLiteral("0.005"));
    QCOMPARE(panel.ui().message->text(), QStringLiteral("Ready"));
    QVERIFY(panel.boxes->boxes.isEmpty());
    QCOMPARE(sim.rejectedOnExit(), 0);
}

void EndToEndTest::simulatorGoneIsALostConnection() {
    SimProcess sim;
    QString why;
    QVERIFY2(sim.start(onPort3({}), &why), qPrintable(why));
    Panel panel(sim.config.path());
    panel.connect();
    QCOMPARE(panel.ui().PortOpenStat->fillColor(), QColor(0, 255, 0));
    sim.stop();
    QTRY_COMPARE_WITH_TIMEOUT(panel.ui().PortOpenStat->fillColor(), QColor(255, 0, 0), 5000);
    QCOMPARE(panel.boxes->boxes.size(), 1);
    QCOMPARE(panel.boxes->boxes.first().text, kx::port::lost.boxText());
    QVERIFY(panel.ui().connectBtn->isEnabled());
    // The port is closed: an operation now says so and sends nothing.
    panel.ui().updateDisplay->click();
    QCOMPARE(panel.boxes->boxes.last().text, kx::port::notOpen.boxText());
    QCOMPARE(sim.rejectedOnExit(), 0); // stopped above: its exit line
}

void EndToEndTest::closedInsideAPauseSendsNothingMore_data() {
    QTest::addColumn<bool>("byExit"); // confirming EXIT, or the window's close box
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("firstLine");
    QTest::newRow("close box, linear sweep") << false << "linearSweep"
                                             << "MODE CONT";
    // EXIT can be reached only while the window is not busy: the waveform's line goes
    // out before the busy state.
    QTest::newRow("EXIT confirmed, sine") << true << "sine"
                                          << "FUNC SIN";
}

// The window is closed (or EXIT confirmed) inside the pause after an operation's first
// line: the program ends at once, and the simulator's own log shows that nothing more
// came down the line, not even later.
void EndToEndTest::closedInsideAPauseSendsNothingMore() {
    QFETCH(bool, byExit);
    QFETCH(QString, button);
    QFETCH(QString, firstLine);
    SimProcess sim;
    QString why;
    const QString log = sim.config.path() + QStringLiteral("/lines.log");
    QVERIFY2(sim.start(onPort3({QStringLiteral("--log"), log}), &why), qPrintable(why));
    Panel panel(sim.config.path());
    panel.connect();
    QCOMPARE(panel.ui().PortOpenStat->fillColor(), QColor(0, 255, 0));
    panel.main->show();
    // Start just after a whole second, so the pause to the next one lasts long enough.
    QTest::qWait(int(1050 - QDateTime::currentMSecsSinceEpoch() % 1000));
    QTimer::singleShot(200, panel.main.get(), [&] {
        if (byExit) {
            panel.boxes->answers << kx::MessageBoxes::Answer::Yes;
            panel.ui().ExitBtn->click();
        } else {
            panel.main->close();
        }
    });
    QElapsedTimer clock;
    clock.start();
    panel.main->findChild<QAbstractButton*>(button)->click();
    QVERIFY2(clock.elapsed() < 1000, "the pause did not end with the program");
    QCOMPARE(panel.quits, 1);
    QTest::qWait(2500);
    QStringList received;
    for (const QByteArray& l : readFile(log).split('\n')) {
        const qsizetype at = l.indexOf(" < ");
        if (at >= 0)
            received << QString::fromLatin1(l.mid(at + 3));
    }
    // After Connect's last question, only the operation's first line.
    QCOMPARE(received.mid(received.indexOf(QStringLiteral("OUT?")) + 1), QStringList{firstLine});
    QCOMPARE(sim.rejectedOnExit(), 0);
}

void EndToEndTest::setupSurvivesFactoryDefault_data() {
    QTest::addColumn<QList<QByteArray>>("state");   // sent to kx-sim before the panel connects
    QTest::addColumn<QList<QStringList>>("clicks"); // {button, entry or list, value}
    QTest::addColumn<int>("requests");              // the set-up's lines
    QTest::addColumn<QStringList>("held");          // kx-sim's answers at the end
    // The duty cycle set below 2 MHz, the frequency raised above it afterwards.
    QTest::newRow("square at 5 MHz, log sweep")
        << QList<QByteArray>{"FUNC SQU",    "AMPL 2",  "OFFS 0.5", "SWSTA 1KHZ",
                             "SWSTO 20KHZ", "SWE LOG", "SWE ON",   "OUT ON"}
        << QList<QStringList>{{"setDuty", "duty", "30"},
                              {"freqMHz", "setF", "5"},
                              {"sweepRateSec", "sweepRate", "2.5"}}
        << 10 << QStringList{"FUNC? SQU",         "FREQ? 5.00000E+6",  "DCYC? 3.00000E+1",
                             "AMPL? 2.00000E+0",  "OFFS? 5.00000E-1",  "MODE? CONT",
                             "SWE? LOG ON",       "SWSTA? 1.00000E+3", "SWSTO? 2.00000E+4",
                             "SWRA? 2.50000E+0",  "MODUL? OFF",        "MODSH? SIN",
                             "MODFR? 1.00000E+3", "DEPT? 5.00000E+1",  "OUT? 1",
                             "SIM:REJ? 0"};
    QTest::newRow("ramp, internal AM")
        << QList<QByteArray>{"FUNC TRI", "FREQ 125HZ", "AMPL 3.3",    "OFFS -1.2",
                             "MODUL AM", "MODUL INT",  "MODFR 500HZ", "OUT ON"}
        << QList<QStringList>{{"setDuty", "duty", "25"},
                              {"modShapeSet", "modShape", "1"},
                              {"setDepth", "depthAM", "80"}}
        << 10 << QStringList{"FUNC? TRI",         "FREQ? 1.25000E+2",  "DCYC? 2.50000E+1",
                             "AMPL? 3.30000E+0",  "OFFS? -1.20000E+0", "MODE? CONT",
                             "SWE? OFF",          "SWSTA? 1.00000E+2", "SWSTO? 1.00000E+5",
                             "SWRA? 1.00000E+0",  "MODUL? AM INT",     "MODSH? SQU",
                             "MODFR? 5.00000E+2", "DEPT? 8.00000E+1",  "OUT? 1",
                             "SIM:REJ? 0"};
}

// A set-up saved from the generator, then the factory set-up recalled, then the set-up
// opened: the displays show what they showed when it was saved, and the generator holds
// every setting again, those it does not report included (the set-up carries them as
// they were sent from the panel).
void EndToEndTest::setupSurvivesFactoryDefault() {
    QFETCH(QList<QByteArray>, state);
    QFETCH(QList<QStringList>, clicks);
    QFETCH(int, requests);
    QFETCH(QStringList, held);
    SimProcess sim;
    QString why;
    QVERIFY2(sim.start(onPort3({}), &why), qPrintable(why));
    QCOMPARE(talk(sim.device, state), QStringList{"SIM:REJ? 0"});
    Panel panel(sim.config.path());
    panel.connect();
    for (const QStringList& c : clicks)
        panel.click(c.value(0), c.value(1), c.value(2));
    QVERIFY2(panel.boxes->boxes.isEmpty(), qPrintable(panel.boxes->boxes.value(0).text));
    const QStringList saved = panel.displays();

    QTemporaryDir dir;
    panel.setupFile = dir.filePath(QStringLiteral("bench.kx"));
    panel.main->findChild<QAction*>(QStringLiteral("mnuSaveSetup"))->trigger();
    QCOMPARE(panel.ui().message->text(), QStringLiteral("Set-up saved to bench.kx"));
    panel.click(QStringLiteral("facDefault"));
    // The modulation's source is left as it was shown while no modulation runs.
    const QStringList factory{"wave=SINE",         "frequency=1.00000 kHz",
                              "amplitude=5.00000", "offset=0.00000",
                              "mode=CONT",         "indicator=",
                              "output=off"};
    QCOMPARE(panel.displays().mid(0, factory.size()), factory);

    panel.main->findChild<QAction*>(QStringLiteral("mnuOpenSetup"))->trigger();
    QCOMPARE(panel.ui().message->text(),
             QStringLiteral("Set-up bench.kx applied: %1 lines").arg(requests));
    QCOMPARE(panel.displays(), saved);
    QVERIFY2(panel.boxes->boxes.isEmpty(), qPrintable(panel.boxes->boxes.value(0).text));
    panel.ui().closeBtn->click();
    QList<QByteArray> queries;
    for (const QString& h : held.mid(0, held.size() - 1))
        queries << h.section(' ', 0, 0).toLatin1();
    QCOMPARE(talk(sim.device, queries), held);
    QCOMPARE(sim.rejectedOnExit(), 0);
}

QTEST_MAIN(EndToEndTest)
#include "tst_e2e_panel.moc"
