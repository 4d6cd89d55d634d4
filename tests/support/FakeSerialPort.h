#pragma once

#include "link/SerialPort.h"
#include "sim/Generator.h"
#include "support/FakeClock.h"

#include <QList>

#include <functional>

namespace kxtest {

// A serial port with an instrument behind it, on virtual time. Every line written is
// kept; the responder says what comes back, in chunks, and when.
class FakeSerialPort final : public kx::SerialPort, public TimedSource {
    Q_OBJECT
public:
    struct Chunk {
        int delayMs; // after the line was written
        QByteArray bytes;
    };
    using Responder = std::function<QList<Chunk>(const QByteArray& line)>;

    explicit FakeSerialPort(FakeClock& clock);

    bool open(const QString& device) override;
    kx::PortError openError() const override { return openError_; }
    void close() override;
    bool isOpen() const override { return open_; }
    bool write(const QByteArray& data) override;
    QByteArray readAll() override;

    std::optional<qint64> nextDue() const override;
    void deliverDue(qint64 now) override;

    // The responder becomes `generator`, which takes each line as it came down the line,
    // with its CR: its echo (with the echo fault, generator.setEcho(true)) comes back at
    // once, its answer and line end after `latencyMs`.
    void answerFrom(kxsim::Generator& generator, int latencyMs = 0);

    // Text that is already waiting in the receive buffer. While the port is closed it
    // waits for the next open and comes with the first read after it: the tail of what
    // the far end was sending as the port opened, which the real port's discarding of
    // its input queue on opening (QtSerialPort::open) came too early to catch.
    void inject(const QByteArray& bytes);
    // The far end goes away: the port reports the failure and closes, as the real one does.
    void pullCable();

    Responder responder;
    // The next open fails with this error.
    kx::PortError refuseOpen = kx::PortError::None;
    // Lines written (without their CR), across connections.
    QList<QByteArray> lines;
    // When each of them was written, on the clock's wall time.
    QList<qint64> times;
    QString openedDevice;
    int opens = 0;
    // After this many lines the cable is pulled (negative: never).
    int pullCableAfterLines = -1;

private:
    struct Pending {
        qint64 due; // on the clock's steady time
        QByteArray bytes;
    };

    FakeClock& clock_;
    bool open_ = false;
    kx::PortError openError_ = kx::PortError::None;
    QByteArray partial_;
    QByteArray received_;
    QByteArray waitingAtOpen_;
    QList<Pending> pending_;
};

} // namespace kxtest
