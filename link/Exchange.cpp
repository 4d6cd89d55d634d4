#include "link/Exchange.h"

#include "link/Clock.h"
#include "link/LinkError.h"
#include "link/SerialPort.h"

#include <utility>

namespace kx {

Exchange::Exchange(SerialPort& port, Clock& clock, QObject* parent)
    : QObject(parent), port_(port), clock_(clock) {
    connect(&port_, &SerialPort::readyRead, this, &Exchange::onReadyRead);
    connect(&port_, &SerialPort::failed, this, &Exchange::onPortFailed);
}

void Exchange::onReadyRead() {
    const QByteArray text = port_.readAll();
    if (!gathering_)
        return;
    qsizetype from = 0;
    // The LF that ended the previous answer may arrive only now.
    while (answer_.isEmpty() && from < text.size() && text.at(from) == '\n')
        ++from;
    answer_ += text.mid(from);
    if (answer_.contains('\r'))
        clock_.wake();
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
    answer_.clear();
    return true;
}

void Exchange::close() {
    if (port_.isOpen())
        port_.close();
    answer_.clear();
    gathering_ = false;
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

void Exchange::processEcho(const QString& command) {
    checkUsable();
    const bool query = command.endsWith(QLatin1Char('?'));
    // Whatever is left over belongs to no question of ours.
    answer_.clear();
    port_.readAll();
    gathering_ = query;
    if (!port_.write(command.toLatin1() + '\r')) {
        gathering_ = false;
        if (!shutdown_ && !lost_ && port_.isOpen())
            onPortFailed();
        checkUsable();
        throw ConnectionLost{};
    }
    const auto interrupted = [this] { return shutdown_ || lost_; };
    if (!query) {
        clock_.wait(static_cast<int>(clock_.msecsToTick(1)), interrupted);
    } else {
        clock_.wait(replyTimeoutMs, [&] { return interrupted() || answer_.contains('\r'); });
        gathering_ = false;
    }
    checkUsable();
    if (query && answer_.isEmpty())
        throw noValidAnswer(command);
}

QString Exchange::readReceived() {
    checkUsable();
    return QString::fromLatin1(std::exchange(answer_, {}));
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
