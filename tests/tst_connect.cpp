#include "support/Rig.h"
#include "support/Texts.h"

#include "kit/BusyState.h"
#include "kit/MessageBoxes.h"
#include "kit/ShapeWidget.h"
#include "link/Exchange.h"
#include "link/LinkError.h"
#include "link/PortMap.h"
#include "link/SerialPort.h"
#include "link/Traffic.h"
#include "state/modVariables.h"
#include "ui_Main.h"

#include <QSerialPort>
#include <QtTest>

#include <algorithm>

using namespace kxtest;
using Box = MessageRecorder::Box;
using Icon = kx::MessageBoxes::Icon;
using Lines = QList<QByteArray>;

namespace {

const QColor red(255, 0, 0);
const QColor green(0, 255, 0);
const QString connecting = QStringLiteral("Connecting...please wait...");
const Lines refreshLines{"FUNC?", "FREQ?", "AMPL?", "OFFS?", "MODE?", "SWE?", "MODUL?", "OUT?"};

Box warning(const QString& text) {
    return {Icon::Warning, QStringLiteral("Connection Error"), text};
}
Box warning(const kx::PortRefusal& refusal) { return warning(refusal.boxText()); }

// A whole refresh's worth of answers, with the given replies to SWE? and MODUL?.
QList<std::pair<QByteArray, QByteArray>> refreshAnswers(const QByteArray& func = "SIN\r",
                                                        const QByteArray& swe = "OFF\r",
                                                        const QByteArray& modul = "OFF\r") {
    return {{"FUNC?", func},           {"FREQ?", "1.00000E+3\r"},
            {"AMPL?", "5.00000E+0\r"}, {"OFFS?", "0.00000E+0\r"},
            {"MODE?", "CONT\r"},       {"SWE?", swe},
            {"MODUL?", modul},         {"OUT?", "0\r"}};
}

} // namespace

class ConnectTest : public QObject {
    Q_OBJECT
private slots:
    void connectsToSimulatedGenerator();
    void refusesPortText_data();
    void refusesPortText();
    void portNumberRoundsHalfToEven_data();
    void portNumberRoundsHalfToEven();
    void portRefusesToOpen_data();
    void portRefusesToOpen();
    void openFailureTellsPermissionFromInUse();
    void identification_data();
    void identification();
    void noAnswerToIdentification();
    void reconnectFillsModShapeOnce();
    void closePort();
    void refreshReadsBack_data();
    void refreshReadsBack();
    void refreshStopsAtUnreadableReply();
    void refreshKeepsDisplayOnUnknownExponent();
    void refreshShowsOutput_data();
    void refreshShowsOutput();
    void lostDeviceMidRefresh();
    void lostDeviceWhileIdle();
    void clickDuringConnectPauseIsIgnored();
    void closingWindowDuringPauseEndsAtOnce();
    void exitDuringPause();
    void exitAnsweredNo();
};

void ConnectTest::connectsToSimulatedGenerator() {
    Rig rig;
    rig.connectTo();
    QCOMPARE(rig.takeLines(), Lines{"*IDN?"} + refreshLines);
    QCOMPARE(rig.ui().PortOpenStat->fillColor(), green);
    QVERIFY(!rig.ui().comPort->isEnabled());
    QVERIFY(!rig.ui().connectBtn->isEnabled());
    QVERIFY(rig.ui().closeBtn->isEnabled());
    QCOMPARE(rig.main().vars().modelName, QStringLiteral("KX25A"));
    QCOMPARE(rig.ui().message->text(), QString::fromLatin1(*rig.generator().handleLine("*IDN?")));
    QCOMPARE(rig.ui().frequency->text(), QStringLiteral("1.00000"));
    QCOMPARE(rig.ui().frequencyUnit->text(), QStringLiteral("kHz"));
    QCOMPARE(rig.ui().amp->text(), QStringLiteral("5.00000"));
    QCOMPARE(rig.ui().offset->text(), QStringLiteral("0.00000"));
    QCOMPARE(rig.ui().mode->text(), QStringLiteral("CONT"));
    QCOMPARE(rig.ui().modShape->count(), 3);
    QVERIFY(rig.main().isEnabled());
    QVERIFY(rig.takeBoxes().isEmpty());
    // Queries wait only for their answers' CR: the simulator answers at once, so the
    // whole connect took no time at all.
    for (qint64 waited : rig.takeWaits())
        QCOMPARE(waited, 0);
}

// Below 1: error code 4. Not a number: the row-13 box, with the same text. Either way
// the status line says it was connecting.
void ConnectTest::refusesPortText_data() {
    QTest::addColumn<QString>("text");
    for (const char* t : {"0", "-1", "0.4", "-2"})
        QTest::newRow(t) << t;
    for (const char* t : {"", "abc", "3a", "COM3", "inf"})
        QTest::newRow(qPrintable(QStringLiteral("'%1'").arg(t))) << t;
}

void ConnectTest::refusesPortText() {
    QFETCH(QString, text);
    Rig rig;
    rig.connectTo(text);
    QCOMPARE(rig.takeBoxes(), QList<Box>{warning(QString::fromLatin1(kx::findRefusal(4)->text))});
    QCOMPARE(rig.port().opens, 0);
    QVERIFY(rig.takeLines().isEmpty());
    QCOMPARE(rig.ui().message->text(), connecting);
    QCOMPARE(rig.ui().PortOpenStat->fillColor(), red);
    QVERIFY(rig.ui().connectBtn->isEnabled());
}

void ConnectTest::portNumberRoundsHalfToEven_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("port");
    QTest::newRow("3.5") << "3.5" << 4;
    QTest::newRow("2.5") << "2.5" << 2;
    QTest::newRow(" 7 ") << " 7 " << 7;
    QTest::newRow("16") << "16" << 16;
    QTest::newRow("1") << "1" << 1;
}

void ConnectTest::portNumberRoundsHalfToEven() {
    QFETCH(QString, text);
    QFETCH(int, port);
    Rig rig;
    rig.connectTo(text);
    QCOMPARE(rig.port().openedDevice, kx::PortMap::defaultDevice(port));
}

void ConnectTest::portRefusesToOpen_data() {
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("portText");
    QTest::addColumn<QString>("boxText"); // empty: no box
    QTest::addColumn<QString>("status");  // the status line after it; %1: port 3's device
    QTest::addColumn<QString>("link");    // where port 3's link points; empty: no link
    const QString inUse = QStringLiteral(
        "The selected COM port is currently in use or is opened by another application or user.  "
        "Please check to make sure port is not in use before connecting.");
    const QString noPorts = QStringLiteral(
        "No COM ports detected/installed.  Please check in Device Manager that a COM port is "
        "available and installed on your system.  This application can only run if one is "
        "available.");
    QTest::newRow("in use") << int(kx::PortError::Busy) << "3" << inUse << connecting << "";
    QTest::newRow("no permission")
        << int(kx::PortError::NoPermission) << "3"
        << QStringLiteral("You may not open the selected COM port.  Serial ports belong to the "
                          "group dialout: add yourself to it (sudo usermod -aG dialout $USER), "
                          "then log out and in again before connecting.")
        << connecting << "";
    QTest::newRow("setting rejected")
        << int(kx::PortError::Rejected) << "3" << noPorts << connecting << "";
    QTest::newRow("beyond 16") << int(kx::PortError::None) << "17" << noPorts << connecting << "";
    QTest::newRow("no such device")
        << int(kx::PortError::Other) << "3" << QString()
        << QStringLiteral("Port 3 (%1): no such device") << "/nonexistent/kx";
    QTest::newRow("cannot be opened")
        << int(kx::PortError::Other) << "3" << QString()
        << QStringLiteral("Port 3 (%1) cannot be opened") << "/dev/null";
    QTest::newRow("not a serial port")
        << int(kx::PortError::NotSerial) << "3" << QString()
        << QStringLiteral("Port 3 (%1) is not a serial port") << "/dev/null";
}

// QSerialPort says "permission" both for a port another program holds and for one this
// user may not open; whether the user may open the device decides which box is shown.
void ConnectTest::openFailureTellsPermissionFromInUse() {
    QCOMPARE(kx::openFailure(QSerialPort::PermissionError, true), kx::PortError::Busy);
    QCOMPARE(kx::openFailure(QSerialPort::PermissionError, false), kx::PortError::NoPermission);
    QCOMPARE(kx::openFailure(QSerialPort::DeviceNotFoundError, false), kx::PortError::Other);
    QCOMPARE(kx::openFailure(QSerialPort::UnsupportedOperationError, true),
             kx::PortError::Rejected);
}

void ConnectTest::portRefusesToOpen() {
    QFETCH(int, error);
    QFETCH(QString, portText);
    QFETCH(QString, boxText);
    QFETCH(QString, status);
    QFETCH(QString, link);
    Rig rig;
    const QString device = rig.configDir() + QStringLiteral("/kx-panel/ports/com3");
    if (!link.isEmpty())
        QVERIFY(QDir().mkpath(QFileInfo(device).path()) && QFile::link(link, device));
    rig.port().refuseOpen = kx::PortError(error);
    rig.connectTo(portText);
    const QList<Box> boxes = rig.takeBoxes();
    if (boxText.isEmpty())
        QVERIFY(boxes.isEmpty());
    else
        QCOMPARE(boxes, QList<Box>{warning(boxText)});
    QCOMPARE(rig.ui().message->text(), status.arg(device));
    QVERIFY(rig.takeLines().isEmpty());
    QCOMPARE(rig.ui().PortOpenStat->fillColor(), red);
    QVERIFY(rig.ui().comPort->isEnabled());
    QVERIFY(rig.ui().connectBtn->isEnabled());
    QVERIFY(!rig.ui().closeBtn->isEnabled());
}

void ConnectTest::identification_data() {
    QTest::addColumn<bool>("after25");       // connected to a KX25A and closed the port first
    QTest::addColumn<QByteArray>("waiting"); // on the line before Connect opens the port
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("model"); // empty: not identified, nothing more asked
    QTest::addColumn<QStringList>("shapes");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("takes20MHz"); // false: 20 MHz is refused with 5, nothing sent
    const QStringList three{"Sine", "Square", "Triangle"};
    const auto row = [](const char* name, bool after25, const char* reply, const char* model,
                        const QStringList& shapes, const QString& message, bool takes20MHz,
                        const char* waiting = "") {
        QTest::newRow(name) << after25 << QByteArray(waiting) << QByteArray(reply) << QString(model)
                            << shapes << message << takes20MHz;
    };
    row("text before the model", false, "Bench unit KX25A,1.0\r\n", "KX25A", three,
        "Bench unit KX25A,1.0", true);
    row("KX12A", false, "KX12A\r", "KX12A", {"Sine"}, "KX12A", false);
    row("KX20A", false, "KX20A x\r", "KX20A", three, "KX20A x", true);
    row("first KX counts", false, "KX20A KX25A\r", "KX20A", three, "KX20A KX25A", true);
    row("other KX text", false, "KXYZW-9\r", "KXYZW", {}, "KXYZW-9", false);
    row("short", false, "  KX2\r", "KX2", {}, "KX2", false);
    // Nothing of a generator connected before carries over to the next one.
    const QString noAnswer =
        QStringLiteral("No valid answer from the generator to *IDN? The generator was not "
                       "identified.");
    const QString noModel = QStringLiteral(
        "The generator's answer to *IDN? names no KX model, so it was not identified: ");
    row("after a KX25A, KX12A", true, "KX12A\r", "KX12A", {"Sine"}, "KX12A", false);
    row("after a KX25A, KX20A", true, "KX20A\r", "KX20A", three, "KX20A", true);
    row("after a KX25A, silent", true, "", "", {}, noAnswer, false);
    row("after a KX25A, no model", true, "ACME,1.0\r", "", {}, noModel + "ACME,1.0", false);
    row("after a KX25A, other KX text", true, "KXYZW-9\r", "KXYZW", {}, "KXYZW-9", false);
    row("silent", false, "", "", {}, noAnswer, false);
    row("no model", false, "SOMETHING ELSE\r", "", {}, noModel + "SOMETHING ELSE", false);
    // An old answer still waiting as the port opens is not the generator's answer now.
    row("an old answer waiting at open", false, "KX25A\r", "KX25A", three, "KX25A", true,
        "KX12A,old\r\n");
}

void ConnectTest::identification() {
    QFETCH(bool, after25);
    QFETCH(QByteArray, waiting);
    QFETCH(QByteArray, reply);
    QFETCH(QString, model);
    QFETCH(QStringList, shapes);
    QFETCH(QString, message);
    QFETCH(bool, takes20MHz);
    Rig rig;
    if (after25) {
        // The KX25A takes 20 MHz.
        rig.connected();
        rig.ui().setF->setText(QStringLiteral("20"));
        rig.ui().freqMHz->click();
        QCOMPARE(rig.takeLines(), (Lines{"FREQ 20MHZ", "FREQ?"}));
        rig.ui().closeBtn->click();
        QCOMPARE(rig.ui().modShape->count(), 3);
    }
    rig.ui().modShape->setEditText(QStringLiteral("Select"));
    Talk talk{{"*IDN?", reply}};
    if (!model.isEmpty())
        talk += refreshAnswers();
    rig.expect(talk);
    rig.port().inject(waiting);
    rig.connectTo();
    rig.checkConversation();
    QVERIFY(rig.takeBoxes().isEmpty());
    QCOMPARE(rig.main().vars().modelName, model);
    QStringList items;
    for (int i = 0; i < rig.ui().modShape->count(); ++i)
        items << rig.ui().modShape->itemText(i);
    QCOMPARE(items, shapes);
    QCOMPARE(rig.ui().modShape->currentText(), QStringLiteral("Select"));
    QCOMPARE(rig.ui().message->text(), message);
    QVERIFY(idle(rig));
    // What waited is dropped, but the traffic record shows it came.
    if (!waiting.isEmpty()) {
        const auto& traffic = rig.main().traffic().entries();
        QVERIFY(std::any_of(traffic.begin(), traffic.end(),
                            [&](const auto& e) { return e.bytes == waiting; }));
    }
    if (model.isEmpty()) {
        // Nothing of the generator before is shown as this one's.
        for (const QLineEdit* display : {rig.ui().frequency, rig.ui().frequencyUnit, rig.ui().amp,
                                         rig.ui().offset, rig.ui().mode})
            QCOMPARE(display->text(), QString());
        QCOMPARE(rig.ui().funcIndicator->text(), QString());
    }
    if (takes20MHz)
        return;
    // Beyond the model's range, or no range known at all.
    rig.expect({});
    rig.ui().setF->setText(QStringLiteral("20"));
    rig.ui().freqMHz->click();
    rig.checkConversation();
    QCOMPARE(boxes(rig), refusal(5));
}

void ConnectTest::noAnswerToIdentification() {
    Rig rig;
    rig.expect({{"*IDN?", ""}});
    rig.connectTo();
    QVERIFY(rig.conversation().errors.isEmpty());
    QVERIFY(rig.takeBoxes().isEmpty());
    QVERIFY(rig.port().isOpen());
    QCOMPARE(rig.ui().PortOpenStat->fillColor(), green);
    QVERIFY(!rig.ui().comPort->isEnabled());
    QVERIFY(!rig.ui().connectBtn->isEnabled());
    QVERIFY(rig.ui().closeBtn->isEnabled());
    QCOMPARE(rig.ui().modShape->count(), 0);
    QVERIFY(rig.main().vars().modelName.isEmpty());
    QCOMPARE(rig.takeLines(), Lines{"*IDN?"});
    QCOMPARE(rig.ui().message->text(),
             QStringLiteral("No valid answer from the generator to *IDN? The generator was not "
                            "identified."));
    // The query waited its full second for an answer that never came.
    QCOMPARE(rig.takeWaits(), QList<qint64>{kx::Exchange::replyTimeoutMs});

    // A reply without "KX": the status line says so.
    Rig other;
    other.expect({{"*IDN?", "SOMETHING ELSE\r"}});
    other.connectTo();
    QVERIFY(other.ui().message->text().contains("names no KX model"));
    QCOMPARE(other.takeLines(), Lines{"*IDN?"});
}

void ConnectTest::reconnectFillsModShapeOnce() {
    Rig rig;
    rig.connectTo();
    rig.ui().closeBtn->click();
    rig.connectTo();
    QCOMPARE(rig.ui().modShape->count(), 3);
    QCOMPARE(rig.port().opens, 2);
}

void ConnectTest::closePort() {
    Rig rig;
    // Close Port while closed: only the port controls are enabled again.
    rig.ui().comPort->setEnabled(false);
    rig.ui().closeBtn->setEnabled(true);
    rig.ui().closeBtn->click();
    QCOMPARE(rig.ui().PortOpenStat->fillColor(), red);
    QVERIFY(rig.ui().comPort->isEnabled());

    rig.connected();
    const QString message = rig.ui().message->text();
    rig.ui().closeBtn->click();
    QVERIFY(!rig.port().isOpen());
    QCOMPARE(rig.ui().PortOpenStat->fillColor(), red);
    QVERIFY(rig.ui().comPort->isEnabled());
    QVERIFY(rig.ui().connectBtn->isEnabled());
    QVERIFY(rig.ui().closeBtn->isEnabled());
    QCOMPARE(rig.ui().message->text(), message);
    QCOMPARE(rig.ui().modShape->count(), 3);
    QCOMPARE(rig.main().vars().modelName, QStringLiteral("KX25A"));
}

void ConnectTest::refreshReadsBack_data() {
    QTest::addColumn<QByteArray>("func");
    QTest::addColumn<QByteArray>("swe");
    QTest::addColumn<QByteArray>("modul");
    QTest::addColumn<QString>("waveShape");
    QTest::addColumn<QString>("picture");
    QTest::addColumn<QString>("indicator");
    QTest::addColumn<QString>("source");
    // The source label starts as "was" so an untouched one can be told apart.
    auto row = [](const char* name, const char* func, const char* swe, const char* modul,
                  const char* waveShape, const char* picture, const char* indicator,
                  const char* source) {
        QTest::newRow(name) << QByteArray(func) << QByteArray(swe) << QByteArray(modul)
                            << QString(waveShape) << QString(picture) << QString(indicator)
                            << QString(source);
    };
    row("square, trailing text", "SQUARE\r", "OFF\r", "OFF\r", "square", "SQUARE", "", "was");
    row("blanks before TRI", "  TRI\r", "OFF\r", "OFF\r", "ramp", "RAMP", "", "was");
    row("lower-case sin unchanged", "sin\r", "OFF\r", "OFF\r", "", "SINE", "", "was");
    row("linear sweep, modulation off", "SIN\r", "LIN ON\r\n", "OFF\r\n", "sine", "SINE",
        "Linear Sweep", "was");
    row("log sweep under FM EXT", "SIN\r", "LOG ON\r", "FM EXT\r", "sine", "SINE", "FM Modulation",
        "EXT");
    row("AM INT", "SIN\r", "OFF\r", "AM INT\r", "sine", "SINE", "AM Modulation", "INT");
    row("blank before LIN ON", "SIN\r", " LIN ON\r", "OFF\r", "sine", "SINE", "", "was");
}

void ConnectTest::refreshReadsBack() {
    QFETCH(QByteArray, func);
    QFETCH(QByteArray, swe);
    QFETCH(QByteArray, modul);
    QFETCH(QString, waveShape);
    QFETCH(QString, picture);
    QFETCH(QString, indicator);
    QFETCH(QString, source);
    Rig rig;
    rig.connected();
    rig.main().vars().waveShape.clear();
    rig.ui().source->setText("was");
    rig.ui().funcIndicator->setText("was");
    rig.expect(refreshAnswers(func, swe, modul));
    rig.ui().updateDisplay->click();
    QVERIFY(rig.scriptDone());
    QCOMPARE(rig.main().vars().waveShape, waveShape);
    QCOMPARE(kxtest::picture(rig), picture);
    QCOMPARE(rig.ui().funcIndicator->text(), indicator);
    QCOMPARE(rig.ui().source->text(), source);
    QVERIFY(rig.main().isEnabled());
}

void ConnectTest::refreshStopsAtUnreadableReply() {
    Rig rig;
    rig.connected();
    rig.expect({{"FUNC?", "SQU\r"}, {"FREQ?", ""}});
    rig.ui().frequency->setText("old");
    rig.ui().updateDisplay->click();
    QCOMPARE(rig.takeLines(), (Lines{"FUNC?", "FREQ?"}));
    QCOMPARE(rig.ui().frequency->text(), QStringLiteral("old"));
    QCOMPARE(rig.ui().message->text(),
             QStringLiteral("No valid answer from the generator to FREQ?"));
    QVERIFY(rig.main().isEnabled());
    QVERIFY(idle(rig));
    // What was read before the failure stays.
    QCOMPARE(rig.main().vars().waveShape, QStringLiteral("square"));

    // A sweep reply without a line end also stops the refresh.
    rig.expect(refreshAnswers("SIN\r", "LIN ON").mid(0, 6));
    rig.ui().updateDisplay->click();
    QVERIFY(rig.scriptDone());
    QCOMPARE(rig.ui().message->text(),
             QStringLiteral("No valid answer from the generator to SWE?"));
}

// The refresh ends with OUT?: the light and the buttons follow the generator's answer,
// and an answer that says neither on nor off leaves them and names the question.
void ConnectTest::refreshShowsOutput_data() {
    QTest::addColumn<bool>("startOn");
    QTest::addColumn<QByteArray>("answer"); // empty: none
    QTest::addColumn<bool>("lightOn");
    QTest::addColumn<QString>("message");
    QTest::newRow("on, answered off") << true << QByteArray("0\r") << false << "Ready";
    QTest::newRow("off, answered on") << false << QByteArray("1\r\n") << true << "Ready";
    QTest::newRow("off, answered 1.0") << false << QByteArray(" 1.0\r") << true << "Ready";
    const QString named = QStringLiteral("No valid answer from the generator to OUT?");
    for (const bool on : {true, false}) {
        const char* start = on ? "on" : "off";
        QTest::addRow("%s, answered 2", start) << on << QByteArray("2\r") << on << named;
        QTest::addRow("%s, answered ON", start) << on << QByteArray("ON\r") << on << named;
        QTest::addRow("%s, no answer", start) << on << QByteArray() << on << named;
    }
}

void ConnectTest::refreshShowsOutput() {
    QFETCH(bool, startOn);
    QFETCH(QByteArray, answer);
    QFETCH(bool, lightOn);
    QFETCH(QString, message);
    Rig rig;
    rig.connected();
    rig.ui().outOn->click();
    if (!startOn)
        rig.ui().outOff->click();
    QCOMPARE(output(rig), outputShown(startOn));
    auto answers = refreshAnswers();
    answers.last().second = answer;
    rig.expect(answers);
    rig.ui().updateDisplay->click();
    rig.checkConversation();
    QCOMPARE(output(rig), outputShown(lightOn));
    QCOMPARE(rig.ui().message->text(), message);
    QVERIFY(idle(rig));
}

void ConnectTest::refreshKeepsDisplayOnUnknownExponent() {
    Rig rig;
    rig.connected();
    // A sweep read-back left another frequency in the decoder's variables.
    rig.main().vars().decodeFrequencyReply("5.00000E+6");
    auto answers = refreshAnswers();
    answers[1].second = "1.00000E+8\r";
    answers[2].second = "1.00000E-10\r";
    rig.expect(answers);
    rig.ui().updateDisplay->click();
    QVERIFY(rig.scriptDone());
    // Neither the stale 5 MHz nor the offset shows up as frequency or amplitude.
    QCOMPARE(rig.ui().frequency->text(), QStringLiteral("1.00000"));
    QCOMPARE(rig.ui().frequencyUnit->text(), QStringLiteral("kHz"));
    QCOMPARE(rig.ui().amp->text(), QStringLiteral("5.00000"));
    QCOMPARE(rig.ui().offset->text(), QStringLiteral("0.00000"));
    QCOMPARE(rig.ui().message->text(),
             QStringLiteral("No valid answer from the generator to FREQ?, AMPL?"));
    QVERIFY(rig.main().isEnabled());
}

void ConnectTest::lostDeviceMidRefresh() {
    Rig rig;
    // The cable goes with the fourth line, inside the refresh.
    rig.port().pullCableAfterLines = 4;
    rig.connectTo();
    QCOMPARE(rig.takeLines(), (Lines{"*IDN?", "FUNC?", "FREQ?", "AMPL?"}));
    QCOMPARE(rig.takeBoxes(), QList<Box>{warning(kx::port::lost)});
    QCOMPARE(rig.ui().PortOpenStat->fillColor(), red);
    QVERIFY(rig.ui().comPort->isEnabled());
    QVERIFY(rig.ui().connectBtn->isEnabled());
    QVERIFY(rig.main().isEnabled());
    QVERIFY(idle(rig));

    // Connecting again works.
    rig.port().pullCableAfterLines = -1;
    rig.connectTo();
    QCOMPARE(rig.ui().PortOpenStat->fillColor(), green);
    QVERIFY(rig.takeBoxes().isEmpty());
}

void ConnectTest::lostDeviceWhileIdle() {
    Rig rig;
    rig.connected();
    rig.port().pullCable();
    QCoreApplication::processEvents();
    QCOMPARE(rig.takeBoxes(), QList<Box>{warning(kx::port::lost)});
    QCOMPARE(rig.ui().PortOpenStat->fillColor(), red);
    QVERIFY(rig.ui().connectBtn->isEnabled());
    // Reported once only.
    QCoreApplication::processEvents();
    QVERIFY(rig.takeBoxes().isEmpty());
}

void ConnectTest::clickDuringConnectPauseIsIgnored() {
    Rig rig;
    rig.clock().duringNextWait = [&] {
        rig.ui().updateDisplay->click();
        rig.ui().closeBtn->click();
    };
    rig.connectTo();
    QCOMPARE(rig.takeLines(), Lines{"*IDN?"} + refreshLines);
    QVERIFY(rig.port().isOpen());
}

void ConnectTest::closingWindowDuringPauseEndsAtOnce() {
    Rig rig;
    rig.main().show();
    rig.clock().duringNextWait = [&] { rig.main().close(); };
    rig.connectTo();
    QCOMPARE(rig.takeLines(), Lines{"*IDN?"});
    QCOMPARE(rig.quits(), 1);
    QVERIFY(!rig.port().isOpen());
    QVERIFY(rig.takeBoxes().isEmpty());
    // Nothing more goes out afterwards either.
    rig.ui().sine->click();
    QVERIFY(rig.takeLines().isEmpty());
}

void ConnectTest::exitDuringPause() {
    Rig rig;
    rig.connected();
    rig.boxes().answers = {kx::MessageBoxes::Answer::Yes};
    // The waveform line's pause comes before the busy state, so EXIT can be pressed.
    rig.clock().duringNextWait = [&] { rig.ui().ExitBtn->click(); };
    rig.ui().square->click();
    QCOMPARE(rig.takeLines(), Lines{"FUNC SQU"});
    QCOMPARE(rig.main().vars().waveShape, QStringLiteral("sine"));
    QCOMPARE(rig.takeBoxes(),
             (QList<Box>{{Icon::Question, "Exit Program", "Are you sure you want to exit?"}}));
    QCOMPARE(rig.quits(), 1);
    QVERIFY(!rig.port().isOpen());
}

void ConnectTest::exitAnsweredNo() {
    Rig rig;
    rig.connected();
    rig.boxes().answers = {kx::MessageBoxes::Answer::No};
    rig.ui().ExitBtn->click();
    QCOMPARE(rig.quits(), 0);
    QVERIFY(rig.port().isOpen());
    QCOMPARE(rig.takeBoxes().size(), 1);
}

QTEST_MAIN(ConnectTest)
#include "tst_connect.moc"
