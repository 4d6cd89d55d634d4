#include "support/Rig.h"

#include "kit/BusyState.h"
#include "kit/MessageBoxes.h"
#include "kit/ShapeWidget.h"
#include "ui_Main.h"

#include <QtTest>

#include <stdexcept>

using namespace kxtest;

using Box = MessageRecorder::Box;
using Icon = kx::MessageBoxes::Icon;
Q_DECLARE_METATYPE(kxtest::MessageRecorder::Box)

namespace {

const QString pleaseWait = QStringLiteral("Please wait...");
const QString ready = QStringLiteral("Ready");

// Every control of the front panel, by name.
const QStringList controls =
    QStringLiteral(
        "topBar ComLabel comPort PortOpenStat connectBtn closeBtn ExitBtn Picture1 mode "
        "source Picture2 wave funcIndicator funcInfo funcInfo2 Label4 frequency "
        "frequencyUnit Label5 amp ampUnit Label6 offset offsetUnit updateDisplay Shape3_0 "
        "setWaveform_0 sine ramp square Shape3_3 setSweep_1 startFLabel startFreq "
        "startSweepMHz startSweepkHz startSweepHz stopFLabel stopFreq stopSweepMHz "
        "stopSweepkHz stopSweepHz sweepRateLabel sweepRate sweepRateSec Label2 linearSweep "
        "logSweep sweepOff Shape3_4 setTrigger_0 trigModeLabel trigMode TrigModeSet "
        "trigSourceLabel trigSource TrigSourceSet Label3 trigRate trigRateMicro "
        "trigRateMilli trigRateSec burstCycleLabel burst setBurst Shape2 Label1 outOn outOff "
        "outLight Shape3_1 setWaveformP_1 setFreqLabel setF freqMHz freqKHz freqHz "
        "setAmpLabel setA ampV setOffLabel setO offV setDutyLabel duty setDuty Shape3_2 "
        "saveRecallLabel_0 memLocationLabel memLocation save recall facDefault Shape3_5 "
        "setSweep_0 modTypeLabel modType ModTypeSet Label8 modShape modShapeSet depthLabel "
        "depthAM setDepth devLabel devFM devFMMHz devFMkHz devFMHz modFreqLabel modFreq "
        "modFreqkHz modFreqHz modOff MsgBar message mnuFile mnuHelp")
        .split(QLatin1Char(' '));

Box invalidInput(const char* text) {
    return {Icon::Stop, QStringLiteral("Invalid Input"), QString::fromLatin1(text)};
}

// Whether the busy state shows: the window disabled, the hourglass, "Please wait...".
bool looksBusy(Rig& rig) {
    const QCursor* cursor = QApplication::overrideCursor();
    return !rig.main().isEnabled() && cursor && cursor->shape() == Qt::WaitCursor &&
           rig.ui().message->text() == pleaseWait;
}

// Whether the window is idle again: enabled, the default pointer and "Ready".
bool looksReady(Rig& rig) {
    return rig.main().isEnabled() && !QApplication::overrideCursor() &&
           rig.ui().message->text() == ready;
}

} // namespace

class WindowTest : public QObject {
    Q_OBJECT
private slots:
    void startUp();
    void choiceLists();
    void portListHoldsProbedPorts();
    void noPortFound();
    void portsFoundLate_data();
    void portsFoundLate();
    void inputLengths_data();
    void inputLengths();
    void controlsEnabledAtStart();
    void busyStateShowsAndEnds_data();
    void busyStateShowsAndEnds();
    void busyWindowTakesNoInput();
    void innerOperationLeavesWindowEnabled();
    void pausesShowABusyPointer_data();
    void pausesShowABusyPointer();
    void busyGuardReleasesOnException();
    void busyGuardReleasesOnce();
    void errorCatalogue_data();
    void errorCatalogue();
    void entryRanges_data();
    void entryRanges();
    void enterInEntry_data();
    void enterInEntry();
    void menuKeys_data();
    void menuKeys();
};

void WindowTest::startUp() {
    Rig rig;
    QCOMPARE(rig.main().windowTitle(), QStringLiteral("KX12A/KX20A/KX25A Function Generator"));
    rig.main().show();
    QVERIFY(QTest::qWaitForWindowExposed(&rig.main()));
    QCOMPARE(rig.main().centralWidget()->size(), QSize(959, 480));
    QCOMPARE(rig.ui().PortOpenStat->fillColor(), QColor(255, 0, 0));
    QVERIFY(rig.ui().message->text().isEmpty());
    QVERIFY(rig.takeBoxes().isEmpty());
    // Nothing goes to the instrument, and the port stays closed.
    QCOMPARE(rig.port().opens, 0);
    QVERIFY(rig.takeLines().isEmpty());
    QVERIFY(rig.main().isEnabled());
    QVERIFY(!QApplication::overrideCursor());
}

void WindowTest::choiceLists() {
    Rig rig;
    const auto check = [](QComboBox* list, const QStringList& items) {
        QCOMPARE(list->currentIndex(), -1);
        QCOMPARE(list->currentText(), QStringLiteral("Select"));
        QStringList actual;
        for (int i = 0; i < list->count(); ++i)
            actual << list->itemText(i);
        QCOMPARE(actual, items);
    };
    check(rig.ui().trigMode, {"Continuous", "Triggered", "Gate", "Burst"});
    check(rig.ui().trigSource, {"Internal", "External"});
    check(rig.ui().modType, {"AM Internal", "AM External", "FM Internal", "FM External"});
    check(rig.ui().modShape, {});
}

void WindowTest::portListHoldsProbedPorts() {
    Rig rig(QStringLiteral("KX25A"), {16, 2, 7});
    QComboBox* list = rig.ui().comPort;
    QCOMPARE(list->count(), 3);
    QCOMPARE(list->itemText(0), QStringLiteral("2"));
    QCOMPARE(list->itemText(1), QStringLiteral("7"));
    QCOMPARE(list->itemText(2), QStringLiteral("16"));
    QCOMPARE(list->currentIndex(), 0);
    QCOMPARE(list->currentText(), QStringLiteral("2"));
    QVERIFY(rig.takeBoxes().isEmpty());
}

// Opening the list probes again: a port plugged in later is listed, one gone is not;
// the choice stays while it is there, and a typed number stays typed. No box.
void WindowTest::portsFoundLate_data() {
    QTest::addColumn<QList<int>>("atStart");
    QTest::addColumn<QString>("chosen"); // typed, or the item chosen
    QTest::addColumn<QList<int>>("later");
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<QString>("shown");
    QTest::newRow("plugged in") << QList<int>{3} << "3" << QList<int>{3, 5} << QStringList{"3", "5"}
                                << "3";
    QTest::newRow("choice kept") << QList<int>{3, 5} << "5" << QList<int>{1, 3, 5}
                                 << QStringList{"1", "3", "5"} << "5";
    QTest::newRow("choice gone") << QList<int>{3, 5} << "5" << QList<int>{3} << QStringList{"3"}
                                 << "3";
    QTest::newRow("none at start")
        << QList<int>{} << "" << QList<int>{4} << QStringList{"4"} << "4";
    QTest::newRow("typed number kept")
        << QList<int>{3} << "9" << QList<int>{3, 5} << QStringList{"3", "5"} << "9";
    QTest::newRow("all gone") << QList<int>{3} << "3" << QList<int>{} << QStringList{} << "3";
}

void WindowTest::portsFoundLate() {
    QFETCH(QList<int>, atStart);
    QFETCH(QString, chosen);
    QFETCH(QList<int>, later);
    QFETCH(QStringList, listed);
    QFETCH(QString, shown);
    Rig rig(QStringLiteral("KX25A"), atStart);
    rig.takeBoxes();
    QComboBox* list = rig.ui().comPort;
    if (list->findText(chosen) >= 0)
        list->setCurrentIndex(list->findText(chosen));
    else
        list->setEditText(chosen);
    rig.ports = later;
    list->showPopup();
    list->hidePopup();
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->itemText(i);
    QCOMPARE(items, listed);
    QCOMPARE(list->currentText(), shown);
    QVERIFY(list->toolTip().contains(QLatin1String("can be typed")));
    QCOMPARE(rig.takeBoxes(), QList<Box>());
}

void WindowTest::noPortFound() {
    Rig rig(QStringLiteral("KX25A"), {});
    const Box noPort{Icon::Warning, QStringLiteral("Connection Error"),
                     QStringLiteral("No COM ports detected/installed.  Please check in Device "
                                    "Manager that a COM port is available and installed on your "
                                    "system.  This application can only run if one is available.")};
    QCOMPARE(rig.takeBoxes(), QList<Box>{noPort});
    QCOMPARE(rig.ui().comPort->count(), 0);
    QCOMPARE(rig.ui().comPort->currentIndex(), -1);
    QVERIFY(rig.ui().comPort->currentText().isEmpty());
    // The rest of the start-up still ran, and the window stays open.
    QCOMPARE(rig.ui().trigMode->count(), 4);
    QCOMPARE(rig.ui().setF->maxLength(), 7);
    QCOMPARE(rig.quits(), 0);
}

void WindowTest::inputLengths_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<int>("length");
    QTest::newRow("setF") << "setF" << 7;
    QTest::newRow("setA") << "setA" << 5;
    QTest::newRow("setO") << "setO" << 5;
    QTest::newRow("duty") << "duty" << 2;
}

void WindowTest::inputLengths() {
    QFETCH(QString, box);
    QFETCH(int, length);
    Rig rig;
    auto* edit = rig.main().findChild<QLineEdit*>(box);
    QVERIFY(edit);
    QCOMPARE(edit->maxLength(), length);
    const QString typed = QStringLiteral("1234567890").left(length + 1);
    QTest::keyClicks(edit, typed);
    QCOMPARE(edit->text(), typed.left(length));
}

void WindowTest::controlsEnabledAtStart() {
    Rig rig;
    for (const QString& name : controls) {
        auto* w = rig.main().findChild<QWidget*>(name);
        QVERIFY2(w, qPrintable(name));
        const bool disabledAtStart =
            name == QLatin1String("closeBtn") || name == QLatin1String("save");
        QVERIFY2(w->isEnabled() != disabledAtStart, qPrintable(name));
    }
    for (const char* name : {"mnuExit", "mnuAbout", "mnuSeehelp"}) {
        auto* a = rig.main().findChild<QAction*>(QLatin1String(name));
        QVERIFY2(a && a->isEnabled(), name);
    }
}

// The waits are not counted: one unwait ends the busy state, hourglass included, and
// an unwait when idle only says "Ready".
void WindowTest::busyStateShowsAndEnds_data() {
    QTest::addColumn<int>("waits");
    QTest::addColumn<int>("unwaits");
    QTest::newRow("wait, then unwait twice") << 1 << 2;
    QTest::newRow("second wait changes nothing") << 2 << 1;
}

void WindowTest::busyStateShowsAndEnds() {
    QFETCH(int, waits);
    QFETCH(int, unwaits);
    Rig rig;
    kx::BusyState busy(rig.main(), *rig.ui().message);
    for (int i = 0; i < waits; ++i)
        busy.wait();
    QVERIFY(looksBusy(rig));
    for (int i = 0; i < unwaits; ++i) {
        busy.unwait();
        QVERIFY(looksReady(rig));
    }
}

void WindowTest::busyWindowTakesNoInput() {
    Rig rig;
    kx::BusyState busy(rig.main(), *rig.ui().message);
    rig.main().show();
    QVERIFY(QTest::qWaitForWindowExposed(&rig.main()));
    busy.wait();
    QVERIFY(!rig.ui().setF->isEnabled());
    QTest::mouseClick(rig.ui().connectBtn, Qt::LeftButton);
    QCOMPARE(rig.port().opens, 0);
    busy.unwait();
    QTest::keyClicks(rig.ui().setF, QStringLiteral("5"));
    QCOMPARE(rig.ui().setF->text(), QStringLiteral("5"));
    // The same click goes through once the window is idle.
    QTest::mouseClick(rig.ui().connectBtn, Qt::LeftButton);
    QCOMPARE(rig.port().opens, 1);
}

void WindowTest::innerOperationLeavesWindowEnabled() {
    Rig rig;
    kx::BusyState busy(rig.main(), *rig.ui().message);
    kx::BusyGuard outer(busy);
    {
        kx::BusyGuard inner(busy);
        QVERIFY(looksBusy(rig));
    }
    QVERIFY(looksReady(rig));
    outer.release();
    QVERIFY(looksReady(rig));
}

// Every pause of an operation shows that the panel is working: the busy state's
// hourglass, or, in a pause outside it (the window enabled, the message as it was), the
// busy pointer. Afterwards the pointer is the default again.
void WindowTest::pausesShowABusyPointer_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("function"); // the generator's waveform
    QTest::addColumn<QString>("mode");     // the mode shown
    QTest::addColumn<QStringList>("pointers");
    const QString busy = QStringLiteral("busy"), hourglass = QStringLiteral("hourglass");
    QTest::newRow("waveform: its line, then FREQ?") << "ramp"
                                                    << "SIN"
                                                    << "" << QStringList{busy, hourglass};
    QTest::newRow("duty cycle") << "setDuty"
                                << "SQU"
                                << "" << QStringList{busy};
    QTest::newRow("trigger source") << "TrigSourceSet"
                                    << "SIN"
                                    << "Trig" << QStringList{busy};
    QTest::newRow("amplitude: in the busy state") << "ampV"
                                                  << "SIN"
                                                  << "" << QStringList{hourglass, hourglass};
}

void WindowTest::pausesShowABusyPointer() {
    QFETCH(QString, button);
    QFETCH(QString, function);
    QFETCH(QString, mode);
    QFETCH(QStringList, pointers);
    Rig rig;
    rig.generator().settings().function = function;
    rig.connected();
    if (!mode.isEmpty())
        rig.ui().mode->setText(mode);
    rig.ui().duty->setText(QStringLiteral("50"));
    rig.ui().setA->setText(QStringLiteral("2"));
    rig.ui().trigSource->setCurrentIndex(0);
    const QString message = rig.ui().message->text();
    QStringList seen;
    std::function<void()> look = [&] {
        const QCursor* cursor = QApplication::overrideCursor();
        if (cursor && cursor->shape() == Qt::BusyCursor && rig.main().isEnabled() &&
            rig.ui().message->text() == message)
            seen << QStringLiteral("busy");
        else if (looksBusy(rig))
            seen << QStringLiteral("hourglass");
        else
            seen << QStringLiteral("neither");
        rig.clock().duringNextWait = look;
    };
    rig.clock().duringNextWait = look;
    ::button(rig, button)->click();
    rig.clock().duringNextWait = {};
    QCOMPARE(seen, pointers);
    QVERIFY(rig.main().isEnabled() && !QApplication::overrideCursor());
}

void WindowTest::busyGuardReleasesOnException() {
    Rig rig;
    kx::BusyState busy(rig.main(), *rig.ui().message);
    try {
        kx::BusyGuard guard(busy);
        QVERIFY(looksBusy(rig));
        throw std::runtime_error("no answer");
    } catch (const std::runtime_error&) {
    }
    QVERIFY(looksReady(rig));
}

void WindowTest::busyGuardReleasesOnce() {
    Rig rig;
    kx::BusyState busy(rig.main(), *rig.ui().message);
    {
        kx::BusyGuard guard(busy);
        guard.release();
        QVERIFY(looksReady(rig));
        rig.ui().message->setText(QStringLiteral("KX25A"));
    }
    QCOMPARE(rig.ui().message->text(), QStringLiteral("KX25A"));
}

void WindowTest::errorCatalogue_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<Box>("box");
    QTest::newRow("4") << 4
                       << Box{Icon::Warning, QStringLiteral("Connection Error"),
                              QStringLiteral("Please Select a COM port before connecting.")};
    QTest::newRow("5") << 5
                       << invalidInput("Range error! The entered value is outside the frequency "
                                       "range of the generator.");
    QTest::newRow("6") << 6
                       << invalidInput("Range error! The entered value is outside the amplitude "
                                       "range of the generator.");
    QTest::newRow("7") << 7
                       << invalidInput(
                              "Range error! The entered value is outside the adjustable range.");
    QTest::newRow("8") << 8
                       << invalidInput("Setting conflict! (Amplitude / 2) + |offset| must be <= "
                                       "5V. Change your amplitude or offset settings and try "
                                       "again.");
    QTest::newRow("9") << 9
                       << invalidInput(
                              "Input error! Duty cycle is for square and ramp waveforms only.");
    QTest::newRow("10") << 10
                        << invalidInput("Setting Conflict! Frequency is above the supported limit "
                                        "for variable duty cycle/symmetry.");
    QTest::newRow("11") << 11
                        << invalidInput("Setting Conflict! Trigger source cannot be configured in "
                                        "Continuous mode.  Please change trigger mode first, then "
                                        "try again.");
    QTest::newRow("12") << 12
                        << invalidInput("Setting Conflict! Max. frequency for burst mode is 1MHz."
                                        "  Please set to a lower frequency, then try again.");
    QTest::newRow("13") << 13
                        << invalidInput("Setting Conflict! Depth % is for Internal AM Modulation "
                                        "only.  Please change the Modulation type to AM Internal "
                                        "and try again.");
    // The deviation's refusal: its wording is ours, its title and icon are fixed.
    QTest::newRow("14") << 14 << invalidInput("");
    // Codes outside the catalogue show no box at all.
    for (int code : {0, 3, 15, -1, -4, 32767})
        QTest::addRow("%d: none", code) << code << Box{};
}

void WindowTest::errorCatalogue() {
    QFETCH(int, code);
    QFETCH(Box, box);
    Rig rig;
    kx::showError(rig.boxes(), static_cast<short>(code));
    const QList<Box> shown = rig.takeBoxes();
    if (box.title.isEmpty()) {
        QVERIFY(shown.isEmpty());
        QVERIFY(rig.main().isEnabled());
        return;
    }
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].icon, box.icon);
    QCOMPARE(shown[0].title, box.title);
    if (code == 14) {
        QVERIFY(shown[0].text.contains(QLatin1String("FM")));
        kx::showError(rig.boxes(), 13);
        QVERIFY(rig.takeBoxes()[0].text != shown[0].text);
    } else {
        QCOMPARE(shown[0].text, box.text);
    }
}

// Each entry's tooltip gives its range for the model and waveform as last read, and
// the amplitude's and the offset's as the other one is shown.
void WindowTest::entryRanges_data() {
    QTest::addColumn<QString>("model"); // empty: not connected
    QTest::addColumn<QString>("function");
    QTest::addColumn<QString>("then"); // a button pressed once connected
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("tip");
    const QString unknown = QStringLiteral("The range is known once a generator is connected.");
    QTest::newRow("before Connect") << ""
                                    << ""
                                    << ""
                                    << "setF" << unknown;
    QTest::newRow("burst before Connect") << ""
                                          << ""
                                          << ""
                                          << "burst" << unknown;
    QTest::newRow("frequency") << "KX25A"
                               << "SIN"
                               << ""
                               << "setF"
                               << "0.01 Hz to 20 MHz: KX25A, sine";
    QTest::newRow("ramp chosen") << "KX12A"
                                 << "SIN"
                                 << "ramp"
                                 << "setF"
                                 << "0.01 Hz to 1 MHz: KX12A, ramp";
    QTest::newRow("sweep stop") << "KX20A"
                                << "SQU"
                                << ""
                                << "stopFreq"
                                << "0.01 Hz to 20 MHz: KX20A, square";
    QTest::newRow("amplitude by offset 1 V") << "KX25A"
                                             << "SIN"
                                             << ""
                                             << "setA"
                                             << "0.01 to 8 V: KX25A, sine";
    QTest::newRow("offset by amplitude 4 V") << "KX25A"
                                             << "SIN"
                                             << ""
                                             << "setO"
                                             << "-3 to 3 V: KX25A, sine";
    QTest::newRow("duty, square") << "KX25A"
                                  << "SQU"
                                  << ""
                                  << "duty"
                                  << "20 to 80 %: KX25A, square";
    QTest::newRow("duty, sine") << "KX25A"
                                << "SIN"
                                << ""
                                << "duty"
                                << "The sine wave has no duty cycle: KX25A, sine";
    QTest::newRow("modulating frequency") << "KX25A"
                                          << "SIN"
                                          << ""
                                          << "modFreq"
                                          << "0.01 Hz to 20 kHz: KX25A, sine";
    QTest::newRow("trigger rate") << "KX25A"
                                  << "SIN"
                                  << ""
                                  << "trigRate"
                                  << "1 us to 10 s: KX25A, sine";
    QTest::newRow("burst") << "KX25A"
                           << "SIN"
                           << ""
                           << "burst"
                           << "1 to 65535 cycles: KX25A, sine";
}

void WindowTest::entryRanges() {
    QFETCH(QString, model);
    QFETCH(QString, function);
    QFETCH(QString, then);
    QFETCH(QString, entry);
    QFETCH(QString, tip);
    Rig rig(model.isEmpty() ? QStringLiteral("KX25A") : model);
    if (!model.isEmpty()) {
        rig.generator().settings().function = function;
        rig.generator().settings().amplitude = 4;
        rig.generator().settings().offset = 1;
        rig.connected();
    }
    if (!then.isEmpty())
        ::button(rig, then)->click();
    QCOMPARE(rig.main().findChild<QLineEdit*>(entry)->toolTip(), tip);
}

// Enter presses an entry's one button; with unit buttons it only says to choose one.
void WindowTest::enterInEntry_data() {
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("pressed");
    QTest::addColumn<QString>("message");
    const QString none;
    QTest::newRow("amplitude") << "setA"
                               << "ampV" << none;
    QTest::newRow("offset") << "setO"
                            << "offV" << none;
    QTest::newRow("duty") << "duty"
                          << "setDuty" << none;
    QTest::newRow("sweep rate") << "sweepRate"
                                << "sweepRateSec" << none;
    QTest::newRow("depth") << "depthAM"
                           << "setDepth" << none;
    QTest::newRow("burst") << "burst"
                           << "setBurst" << none;
    const QString hertz = QStringLiteral("Choose the unit to send it in: MHz, kHz or Hz.");
    QTest::newRow("frequency") << "setF" << none << hertz;
    QTest::newRow("sweep start") << "startFreq" << none << hertz;
    QTest::newRow("sweep stop") << "stopFreq" << none << hertz;
    QTest::newRow("deviation") << "devFM" << none << hertz;
    QTest::newRow("modulating frequency")
        << "modFreq" << none << "Choose the unit to send it in: kHz or Hz.";
    QTest::newRow("trigger rate") << "trigRate" << none
                                  << "Choose the unit to send it in: us, ms or s.";
    QTest::newRow("memory location") << "memLocation" << none << none;
}

void WindowTest::enterInEntry() {
    QFETCH(QString, entry);
    QFETCH(QString, pressed);
    QFETCH(QString, message);
    Rig rig;
    rig.connected();
    rig.ui().message->clear();
    QStringList clicked;
    for (QAbstractButton* b : rig.main().findChildren<QAbstractButton*>())
        connect(b, &QAbstractButton::clicked, b, [&clicked, b] { clicked << b->objectName(); });
    QTest::keyClick(rig.main().findChild<QLineEdit*>(entry), Qt::Key_Return);
    QCOMPARE(clicked, pressed.isEmpty() ? QStringList() : QStringList{pressed});
    if (pressed.isEmpty())
        QCOMPARE(rig.ui().message->text(), message);
    rig.takeBoxes();
}

// Each menu opens with its Alt key; the items have their shortcuts where one is usual.
void WindowTest::menuKeys_data() {
    QTest::addColumn<char>("alt");
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("item");
    QTest::addColumn<QKeySequence>("shortcut");
    QTest::newRow("File > Exit") << 'F' << "mnuFile"
                                 << "mnuExit" << QKeySequence("Ctrl+Q");
    QTest::newRow("View > Traffic") << 'V' << "mnuView"
                                    << "mnuTraffic" << QKeySequence("Ctrl+T");
    QTest::newRow("Help > See Help File") << 'H' << "mnuHelp"
                                          << "mnuSeehelp" << QKeySequence("F1");
    QTest::newRow("Help > About") << 'H' << "mnuHelp"
                                  << "mnuAbout" << QKeySequence();
}

void WindowTest::menuKeys() {
    QFETCH(char, alt);
    QFETCH(QString, menu);
    QFETCH(QString, item);
    QFETCH(QKeySequence, shortcut);
    Rig rig;
    rig.main().show();
    QVERIFY(QTest::qWaitForWindowActive(&rig.main()));
    auto* action = rig.main().findChild<QAction*>(item);
    QVERIFY(action && action->text().count(QLatin1Char('&')) == 1);
    QCOMPARE(action->shortcut(), shortcut);
    QTest::keyClick(&rig.main(), Qt::Key(alt), Qt::AltModifier);
    QTRY_COMPARE(QApplication::activePopupWidget(), rig.main().findChild<QMenu*>(menu));
    QApplication::activePopupWidget()->close();
}

QTEST_MAIN(WindowTest)
#include "tst_window.moc"
