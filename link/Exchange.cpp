#include "link/Exchange.h"

#include "link/Clock.h"
#include "link/LinkError.h"
#include "link/SerialPort.h"

namespace kx {

Exchange::Exchange(SerialPort& port, Clock& clock, QObject* parent)
    : QObject(parent), port_(port), clock_(clock) {
    connect(&port_, &SerialPort::readyRead, this, [this] {
        buffer_ += port_.readAll();
        // Text nobody asked for is thrown away at the next query; a device that keeps
        // talking meanwhile must not fill the memory.
        if (buffer_.size() > maxBuffered)
            buffer_.remove(0, buffer_.size() - maxBuffered);
        clock_.wake();
    });
    connect(&port_, &SerialPort::failed, this, &Exchange::onPortFailed);
}

bool Exchange::isOpen() const {
    return port_.isOpen();
}

bool Exchange::open(const QString& device) {
    checkNotShutDown();
    close();
    if (!port_.open(device))
        return false;
    lost_ = false;
    buffer_.clear();
    return true;
}

void Exchange::close() {
    if (port_.isOpen())
        port_.close();
    buffer_.clear();
}

void Exchange::checkNotShutDown() const {
    if (shutdown_)
        throw ShuttingDown{};
}

void Exchange::onPortFailed() {
    lost_ = true;
    port_.close();
    clock_.wake();
    emit connectionLost();
}

void Exchange::checkUsable() const {
    if (shutdown_)
        throw ShuttingDown{};
    if (lost_)
        throw ConnectionLost{};
    if (!port_.isOpen())
        throw PortNotOpen{};
}

bool Exchange::replyComplete() const {
    return buffer_.contains('\r');
}

void Exchange::processEcho(const QString& command) {
    checkUsable();
    const bool query = command.endsWith(QLatin1Char('?'));
    if (query) {
        // Whatever is left over belongs to no question of ours.
        buffer_.clear();
        port_.readAll();
    }
    if (!port_.write(command.toLatin1() + '\r')) {
        if (!shutdown_ && !lost_ && port_.isOpen())
            onPortFailed();
        checkUsable();
        throw ConnectionLost{};
    }
    const auto interrupted = [this] { return shutdown_ || lost_; };
    if (!query) {
        clock_.wait(static_cast<int>(clock_.msecsToTick(1)), interrupted);
    } else {
        clock_.wait(replyTimeoutMs, [&] { return interrupted() || replyComplete(); });
        // An LF may follow the CR a moment later; let it arrive with its line.
        if (!interrupted() && buffer_.endsWith('\r'))
            clock_.wait(lineFeedGraceMs, [&] { return interrupted() || !buffer_.endsWith('\r'); });
    }
    checkUsable();
}

QString Exchange::readReceived() {
    checkUsable();
    buffer_ += port_.readAll();
    const QString text = QString::fromLatin1(buffer_);
    buffer_.clear();
    return text;
}

void Exchange::delaySeconds(int n) {
    checkUsable();
    if (n <= 0)
        return;
    clock_.wait(static_cast<int>(clock_.msecsToTick(n)), [this] { return shutdown_ || lost_; });
    checkUsable();
}

void Exchange::shutdown() {
    shutdown_ = true;
    if (port_.isOpen())
        port_.close();
    clock_.wake();
}

} // namespace kx
