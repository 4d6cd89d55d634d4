#pragma once

#include "app/Main.h"
#include "sim/Generator.h"
#include "support/FakeClock.h"
#include "support/FakeSerialPort.h"
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
    // What a save dialog answers (empty: cancelled).
    QString saveFileName;

    // Replies come from the simulated generator after `latencyMs`. It is strict: a line
    // it rejects (a control character, a byte outside ASCII, a number without the unit
    // its command needs) fails the test when the rig goes, unless the test made it
    // lenient (generator().setLenient(true)). generator().setEcho(true) makes it echo.
    void answerFromGenerator(int latencyMs = 0);

    // The whole conversation, line sent by reply: each line written must be the next
    // expected one; its reply (empty: none) comes back at once. The conversation checks
    // itself: a line out of order, a wrong line, an extra line, or one never sent fails
    // the test when the next conversation is stated, at checkConversation(), or when the
    // rig goes, whichever comes first.
    void expect(const QList<std::pair<QByteArray, QByteArray>>& conversation);
    bool scriptDone() const { return script_.isEmpty(); }
    QStringList scriptErrors;
    // What went wrong with the conversation so far (lines never sent included); empty
    // when it went as stated.
    QStringList conversationProblems() const;
    // Fails the running test if the conversation did not go as stated, then forgets it.
    void checkConversation();
    // Fails the running test if the strict generator rejected a line.
    void checkNothingRejected();

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
    QList<std::pair<QByteArray, QByteArray>> script_;
    bool scripted_ = false;
    int quits_ = 0;
};

// The reply form of the generator, with its line end.
inline QByteArray line(const char* text) {
    return QByteArray(text) + '\r';
}

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

} // namespace kxtest
