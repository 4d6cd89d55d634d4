#include "link/Exchange.h"

#include "link/Clock.h"
#include "link/LinkError.h"
#include "link/SerialPort.h"
#include "link/Traffic.h"

#include <algorithm>
#include <utility>

namespace kx {

Exchange::Exchange(SerialPort& port, Clock& clock, QObject* parent)
    : QObject(parent), port_(port), clock_(clock) {
    connect(&port_, &SerialPort::readyRead, this, &Exchange::onReadyRead);
    connect(&port_, &SerialPort::failed, this, &Exchange::onPortFailed);
    connect(&port_, &SerialPort::othersTraffic, this,
            [this](const QString& client, const QString& line, const QString& answer) {
                if (traffic_)
                    traffic_->heard(clock_.steadyMsecs(), client, line, answer);
            });
}

void Exchange::onReadyRead() {
    const QByteArray text = port_.readAll();
    if (text.isEmpty())
        return;
    lastArrival_ = clock_.steadyMsecs();
    ++arrivals_;
    if (traffic_)
        traffic_->received(lastArrival_, text);
    if (!gathering_) {
        if (unsettled_) {
            // A line is open while anything but an LF came after its last CR.
            const qsizetype cr = text.lastIndexOf('\r');
            const bool more =
                std::any_of(text.begin() + (cr + 1), text.end(), [](char c) { return c != '\n'; });
            lateLineOpen_ = more || (cr < 0 && lateLineOpen_);
            clock_.wake();
        }
        return;
    }
    answer_ += text;
    skipEchoes();
    if (answer_.contains('\r'))
        clock_.wake();
}

void Exchange::skipEchoes() {
    for (;;) {
        // The LF that ended the previous answer (or an echo) may arrive only now.
        while (answer_.startsWith('\n'))
            answer_.remove(0, 1);
        const qsizetype cr = answer_.indexOf('\r');
        if (cr < 0)
            return;
        const QByteArray first = answer_.left(cr);
        if (first.isEmpty() || (first != sent_ && first != sentBefore_))
            return;
        answer_.remove(0, cr + 1);
    }
}

void Exchange::settle() {
    const qint64 until = clock_.steadyMsecs() + settleLimitMs;
    for (;;) {
        const qint64 now = clock_.steadyMsecs();
        const bool quiet = now - lastArrival_ >= quietMs;
        if ((quiet && !lateLineOpen_) || now >= until)
            break;
        const quint64 seen = arrivals_;
        const qint64 wait = quiet ? until - now : std::min(until, lastArrival_ + quietMs) - now;
        pause(wait, [&] { return arrivals_ != seen; });
    }
    port_.readAll();
    unsettled_ = false;
}

void Exchange::pause(qint64 ms, const std::function<bool()>& done) {
    emit pausing(true);
    clock_.wait(static_cast<int>(ms), [&] { return shutdown_ || lost_ || (done && done()); });
    emit pausing(false);
    checkUsable();
}

void Exchange::forget() {
    answer_.clear();
    gathering_ = false;
    unsettled_ = false;
    sent_.clear();
    sentBefore_.clear();
}

bool Exchange::isOpen() const { return port_.isOpen(); }

bool Exchange::open(const QString& device) {
    if (shutdown_)
        throw ShuttingDown{};
    close();
    if (!port_.open(device))
        return false;
    lost_ = false;
    // What the port already holds came before the first line: it answers nothing.
    const QByteArray waiting = port_.readAll();
    if (traffic_) {
        const qint64 now = clock_.steadyMsecs();
        traffic_->opened(now, clock_.wallMsecs(), device);
        traffic_->received(now, waiting);
    }
    return true;
}

void Exchange::closePort() {
    port_.close();
    if (traffic_)
        traffic_->closed(clock_.steadyMsecs(), clock_.wallMsecs());
}

void Exchange::close() {
    if (port_.isOpen())
        closePort();
    forget();
}

void Exchange::onPortFailed() {
    lost_ = true;
    closePort();
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
    if (unsettled_)
        settle();
    const bool query = command.endsWith(QLatin1Char('?'));
    const QByteArray line = command.toLatin1();
    // Whatever is left over belongs to no question of ours.
    answer_.clear();
    port_.readAll();
    // Only the setting line right before a query may still echo into its answer.
    sentBefore_ = sent_.endsWith('?') ? QByteArray() : sent_;
    sent_ = line;
    gathering_ = query;
    if (traffic_)
        traffic_->sent(clock_.steadyMsecs(), line + '\r');
    if (!port_.write(line + '\r')) {
        gathering_ = false;
        if (!shutdown_ && !lost_ && port_.isOpen())
            onPortFailed();
        checkUsable();
        throw ConnectionLost{};
    }
    if (!query)
        return pause(clock_.msecsToTick(1));
    pause(replyTimeoutMs, [&] { return answer_.contains('\r'); });
    gathering_ = false;
    if (!answer_.contains('\r')) {
        // Unanswered, even if part of an answer came: the rest must not be read as the
        // answer to the next query.
        unsettled_ = true;
        // The quiet spell counts from now: the answer may be just about to come.
        lastArrival_ = clock_.steadyMsecs();
        lateLineOpen_ = !answer_.isEmpty();
        answer_.clear();
        if (traffic_)
            traffic_->unanswered();
        throw noValidAnswer(command);
    }
}

void Exchange::leftUnanswered(bool lineOpen) {
    unsettled_ = true;
    lastArrival_ = clock_.steadyMsecs();
    lateLineOpen_ = lineOpen;
}

QString Exchange::readReceived() {
    checkUsable();
    return QString::fromLatin1(std::exchange(answer_, {}));
}

void Exchange::delaySeconds(int n) {
    checkUsable();
    if (n > 0)
        pause(clock_.msecsToTick(n));
}

QString firstLine(const QString& answer) { return answer.left(answer.indexOf(QLatin1Char('\r'))); }

void Exchange::shutdown() {
    shutdown_ = true;
    if (port_.isOpen())
        closePort();
    clock_.wake();
}

} // namespace kx
