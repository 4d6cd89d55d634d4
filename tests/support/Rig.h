#pragma once

#include "app/Main.h"
#include "sim/Generator.h"
#include "support/FakeClock.h"
#include "support/FakeSerialPort.h"
#include "support/Instrument.h"
#include "support/MessageRecorder.h"

#include <QTemporaryDir>

#include <memory>
#include <utility>

class QAbstractButton;

namespace Ui {
class Main;
}

namespace kxtest {

// A main window wired to test doubles: a simulated generator in-process behind the
// serial interface, a clock that does not sleep and a recorder for message boxes.
class Rig {
public:
    // `ports`: the port numbers whose device the probe finds.
    explicit Rig(const QString& model = QStringLiteral("KX25A"), QList<int> ports = {3});
    ~Rig();

    kx::Main& main() { return *main_; }
    Ui::Main& ui();
    kxsim::Generator& generator() { return *generator_; }
    FakeClock& clock() { return *clock_; }
    FakeSerialPort& port() { return *port_; }
    MessageRecorder& boxes() { return *boxes_; }
    int quits() const { return quits_; }
    // The port numbers whose device the probe finds now.
    QList<int> ports;
    // The configuration folder the panel reads (its kx-panel/ports links).
    QString configDir() const { return config_.path(); }
    // What a save dialog answers (empty: cancelled).
    QString saveFileName;
    // What the set-up file dialogs answer (empty: cancelled).
    QString setupFileName;
    // What the progress of a set-up showed, "n/N request" a step; Cancel is pressed once
    // step `cancelAt` is shown (0: never).
    QStringList progressShown;
    int cancelAt = 0;

    // What comes back on the port (support/Instrument.h).
    Conversation& conversation() { return *talk_; }
    void answerFromGenerator(int latencyMs = 0) { talk_->answerFromGenerator(latencyMs); }
    void expect(const Talk& talk) { talk_->expect(talk); }
    bool scriptDone() const { return talk_->done(); }
    void checkConversation() { talk_->check(); }
    void checkNothingRejected() { talk_->checkNothingRejected(); }

    // Types `portText` into comPort and presses Connect.
    void connectTo(const QString& portText = QStringLiteral("3"));
    // Connects to the simulated generator and forgets what that exchanged.
    void connected();

    // Lines written since the last call.
    QList<QByteArray> takeLines();
    // How long each wait lasted since the last call, ms.
    QList<qint64> takeWaits();
    // Message boxes shown since the last call.
    QList<MessageRecorder::Box> takeBoxes();

private:
    QTemporaryDir config_;
    std::unique_ptr<kxsim::Generator> generator_;
    FakeClock* clock_ = nullptr;
    FakeSerialPort* port_ = nullptr;
    MessageRecorder* boxes_ = nullptr;
    std::unique_ptr<kx::Main> main_;
    std::unique_ptr<Conversation> talk_;
    int quits_ = 0;
};

} // namespace kxtest

namespace kxtest {

// A message box as one line, "stop | Invalid Input | text", for readable comparisons.
QString box(kx::MessageBoxes::Icon icon, const QString& title, const QString& text);
// The boxes shown since the last look, each as one line.
QStringList boxes(Rig& rig);
// A button of the main window by its objectName; the test stops if there is none.
QAbstractButton* button(Rig& rig, const QString& name);
// Neither busy nor showing the hourglass.
bool idle(Rig& rig);
// How far the test clock is from its next whole-second tick.
qint64 msToNextSecond(Rig& rig);
// The waveform's picture as shown: "SINE", "SQUARE", "RAMP"; empty before any.
QString picture(Rig& rig);
// The output group as shown, as one line: "ON disabled, OFF enabled, light #00ff00".
QString output(Rig& rig);
// The output group as the generator's answer "1" (`on`) or "0" leaves it.
QString outputShown(bool on);

} // namespace kxtest
