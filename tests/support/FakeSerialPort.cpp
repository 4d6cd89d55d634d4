#include "support/FakeSerialPort.h"

#include <QTest>

#include <algorithm>

namespace kxtest {

FakeSerialPort::FakeSerialPort(FakeClock& clock) : clock_(clock) { clock_.addSource(this); }

bool FakeSerialPort::open(const QString& device) {
    openError_ = refuseOpen;
    if (refuseOpen != kx::PortError::None)
        return false;
    open_ = true;
    openedDevice = device;
    ++opens;
    partial_.clear();
    // What was injected while the port was closed comes with the first read.
    received_ = std::exchange(waitingAtOpen_, {});
    pending_.clear();
    return true;
}

void FakeSerialPort::close() {
    open_ = false;
    pending_.clear();
    received_.clear();
}

bool FakeSerialPort::write(const QByteArray& data) {
    if (!open_)
        return false;
    // Whatever a test does, the panel writes one line at a time: printable ASCII and a CR.
    const bool printable =
        std::all_of(data.begin(), data.end() - 1, [](char c) { return c >= 0x20 && c < 0x7f; });
    if (!data.endsWith('\r') || !printable)
        QTest::qFail(qPrintable(QStringLiteral("not one line of printable ASCII: %1")
                                    .arg(QString::fromLatin1(data.toPercentEncoding()))),
                     __FILE__, __LINE__);
    partial_ += data;
    qsizetype cr;
    while ((cr = partial_.indexOf('\r')) >= 0) {
        const QByteArray line = partial_.left(cr);
        partial_.remove(0, cr + 1);
        lines << line;
        times << clock_.wallMsecs();
        if (pullCableAfterLines >= 0 && lines.size() >= pullCableAfterLines) {
            pullCable();
            return true;
        }
        if (!responder)
            continue;
        for (const Chunk& c : responder(line))
            pending_ << Pending{clock_.steadyMsecs() + c.delayMs, c.bytes};
    }
    return true;
}

void FakeSerialPort::answerFrom(kxsim::Generator& generator, int latencyMs) {
    responder = [&generator, latencyMs](const QByteArray& line) {
        QList<Chunk> chunks;
        for (const kxsim::Generator::Reply& reply : generator.take(line + '\r')) {
            if (!reply.echo.isEmpty())
                chunks << Chunk{0, reply.echo};
            if (reply.answer)
                chunks << Chunk{latencyMs, *reply.answer + generator.lineEnd()};
        }
        return chunks;
    };
}

QByteArray FakeSerialPort::readAll() { return std::exchange(received_, {}); }

std::optional<qint64> FakeSerialPort::nextDue() const {
    std::optional<qint64> next;
    for (const Pending& p : pending_) {
        if (!next || p.due < *next)
            next = p.due;
    }
    return next;
}

void FakeSerialPort::deliverDue(qint64 now) {
    bool any = false;
    for (qsizetype i = 0; i < pending_.size();) {
        if (pending_[i].due <= now) {
            received_ += pending_[i].bytes;
            pending_.removeAt(i);
            any = true;
        } else {
            ++i;
        }
    }
    if (any && open_)
        emit readyRead();
}

void FakeSerialPort::inject(const QByteArray& bytes) {
    if (open_)
        received_ += bytes;
    else
        waitingAtOpen_ += bytes;
}

void FakeSerialPort::pullCable() {
    if (!open_)
        return;
    open_ = false;
    pending_.clear();
    received_.clear();
    emit failed();
}

} // namespace kxtest
