// End to end: the panel's real QSerialPort over a pseudo-terminal to kx-sim, on the
// real clock. kx-sim is strict: every test ends by reading its exit line, which must say
// that it rejected none of the panel's lines.

#include "support/Files.h"
#include "support/MessageRecorder.h"
#include "support/SimProcess.h"

#include "app/Main.h"
#include "kit/MessageBoxes.h"
#include "kit/ShapeWidget.h"
#include "state/modVariables.h"
#include "ui_Main.h"

#include <QDateTime>
#include <QElapsedTimer>
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
    std::unique_ptr<kx::Main> main;

    explicit Panel(const QString& configDir) {
        kx::Seams seams;
        auto recorder = std::make_unique<MessageRecorder>();
        boxes = recorder.get();
        seams.boxes = std::move(recorder);
        seams.configDir = configDir;
        seams.quit = [this] { ++quits; };
        main = std::make_unique<kx::Main>(std::move(seams));
    }
    Ui::Main& ui() { return main->ui(); }
    void connect() {
        ui().comPort->setEditText(QStringLiteral("3"));
        ui().connectBtn->click();
    }
};

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

QTEST_MAIN(EndToEndTest)
#include "tst_e2e_panel.moc"
