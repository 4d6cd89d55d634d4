// End to end: the panel's real QSerialPort over a pseudo-terminal to kx-sim, on the
// real clock.

#include "support/MessageRecorder.h"

#include "app/ErrorCatalog.h"
#include "app/Main.h"
#include "app/ShapeWidget.h"
#include "state/modVariables.h"
#include "ui_Main.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace kxtest;

namespace {

// kx-sim running on port 3 of a private configuration directory.
class Simulator {
public:
    explicit Simulator(const QString& configDir, QStringList args) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), configDir);
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(QStringLiteral(KX_SIM_PATH),
                      args << QStringLiteral("--port") << QStringLiteral("3"));
        if (process.waitForStarted(5000) && process.waitForReadyRead(5000))
            startLine = QString::fromLocal8Bit(process.readLine()).trimmed();
    }
    ~Simulator() { stop(); }
    void stop() {
        if (process.state() == QProcess::NotRunning)
            return;
        process.terminate();
        if (!process.waitForFinished(5000))
            process.kill();
        process.waitForFinished(2000);
    }
    bool ready() const {
        static const QRegularExpression form(QStringLiteral(R"(^kx-sim: KX\w+ on \S+ as port 3 )"));
        return form.match(startLine).hasMatch();
    }

    QProcess process;
    QString startLine;
};

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
    void init() { QVERIFY(config.isValid()); }
    void connectShowsTheGenerator();
    void settingShowsTheGeneratorsAnswer();
    void lateAnswersAreNotMisread();
    void simulatorGoneIsALostConnection();

private:
    QTemporaryDir config;
};

void EndToEndTest::connectShowsTheGenerator() {
    Simulator sim(config.path(), {QStringLiteral("--model"), QStringLiteral("KX12A")});
    QVERIFY2(sim.ready(), qPrintable(sim.startLine));
    Panel panel(config.path());
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
}

void EndToEndTest::settingShowsTheGeneratorsAnswer() {
    Simulator sim(config.path(), {QStringLiteral("--crlf")});
    QVERIFY(sim.ready());
    Panel panel(config.path());
    panel.connect();
    panel.ui().setF->setText(QStringLiteral("2500"));
    panel.ui().freqHz->click();
    QCOMPARE(panel.ui().frequency->text(), QStringLiteral("2.50000"));
    QCOMPARE(panel.ui().frequencyUnit->text(), QStringLiteral("kHz"));
    panel.ui().outOn->click();
    QVERIFY(!panel.ui().outOn->isEnabled());
    QCOMPARE(panel.ui().outLight->fillColor(), QColor(0, 255, 0));
    QCOMPARE(panel.ui().message->text(), QStringLiteral("Ready"));
}

void EndToEndTest::lateAnswersAreNotMisread() {
    Simulator sim(config.path(), {QStringLiteral("--fault"), QStringLiteral("late")});
    QVERIFY(sim.ready());
    Panel panel(config.path());
    panel.connect();
    // Every answer comes after the query has given up: nothing is shown as an answer
    // to the wrong question.
    QCOMPARE(panel.ui().message->text(),
             QStringLiteral("No valid answer from the generator to *IDN?"));
    QVERIFY(panel.main->vars().modelName.isEmpty());
    QVERIFY(panel.main->isEnabled());
}

void EndToEndTest::simulatorGoneIsALostConnection() {
    Simulator sim(config.path(), {});
    QVERIFY(sim.ready());
    Panel panel(config.path());
    panel.connect();
    QCOMPARE(panel.ui().PortOpenStat->fillColor(), QColor(0, 255, 0));
    sim.stop();
    QTRY_COMPARE_WITH_TIMEOUT(panel.ui().PortOpenStat->fillColor(), QColor(255, 0, 0), 5000);
    QCOMPARE(panel.boxes->boxes.size(), 1);
    QCOMPARE(panel.boxes->boxes.first().text, kx::texts::connectionLost);
    QVERIFY(panel.ui().connectBtn->isEnabled());
    // The port is closed: an operation now says so and sends nothing.
    panel.ui().updateDisplay->click();
    QCOMPARE(panel.boxes->boxes.last().text, kx::texts::portNotOpen);
}

QTEST_MAIN(EndToEndTest)
#include "tst_e2e_panel.moc"
