#include "server/Station.h"

#include "link/Clock.h"
#include "link/Identify.h"
#include "link/LinkError.h"
#include "state/Status.h"

#include <utility>

namespace kxserver {

Tap::Tap(kx::SerialPort& device, QObject* parent) : kx::SerialPort(parent), device_(device) {
    connect(&device_, &kx::SerialPort::readyRead, this, &Tap::onReadyRead);
    connect(&device_, &kx::SerialPort::failed, this, &kx::SerialPort::failed);
}

bool Tap::open(const QString& device) {
    received_.clear();
    return device_.open(device);
}

void Tap::close() {
    received_.clear();
    device_.close();
}

QByteArray Tap::readAll() {
    received_ += device_.readAll();
    return std::exchange(received_, {});
}

void Tap::onReadyRead() {
    const QByteArray text = device_.readAll();
    if (text.isEmpty())
        return;
    if (sink_)
        sink_(text);
    received_ += text;
    emit readyRead();
}

Station::Station(kx::SerialPort& device, kx::Clock& clock, QObject* parent)
    : QObject(parent), clock_(clock), tap_(device), link_(tap_, clock) {
    connect(&link_, &kx::Exchange::connectionLost, this, &Station::lost);
    silence_.setInterval(250);
    connect(&silence_, &QTimer::timeout, this, &Station::checkSilence);
}

bool Station::open(const QString& device, QString* why) {
    close();
    if (!link_.open(device))
        return false;
    device_ = device;
    try {
        const kx::Identity id = kx::identify(link_);
        if (!id.answered || id.model.isEmpty()) {
            *why = id.answered
                       ? QStringLiteral("the answer to *IDN? names no KX model: %1").arg(id.line)
                       : QStringLiteral("no answer to *IDN?");
            link_.close();
            return false;
        }
        identification_ = id.line;
        vars_.modelName = id.model;
        kx::readStatus(link_, vars_);
    } catch (const kx::OperationFailed& failed) {
        *why = failed.message;
        link_.close();
        return false;
    } catch (const kx::ConnectionLost&) {
        *why = QStringLiteral("the line went away");
        link_.close();
        return false;
    }
    return true;
}

void Station::close() {
    link_.close();
    vars_ = {};
    identification_.clear();
}

void Station::queue(ClientId client, bool changes, Job job) {
    queue_.push_back({client, changes, std::move(job)});
    // Not from inside a job: the running one would be interleaved.
    QMetaObject::invokeMethod(this, &Station::runNext, Qt::QueuedConnection);
}

void Station::runNext() {
    while (!running_ && !shutdown_) {
        auto it = queue_.begin();
        while (it != queue_.end() && it->changes && holder_ && *holder_ != it->client)
            ++it;
        if (it == queue_.end())
            return;
        Queued next = std::move(*it);
        queue_.erase(it);
        running_ = true;
        current_ = next.client;
        if (next.changes && !holder_) {
            holder_ = next.client;
            heldForJob_ = true;
        }
        try {
            // What a query left unanswered by the last job brought must not reach this one.
            if (link_.isOpen())
                link_.settlePending();
        } catch (const kx::ShuttingDown&) {
        } catch (const kx::ConnectionLost&) {
        } catch (const kx::PortNotOpen&) {
        }
        try {
            next.job();
        } catch (const kx::ShuttingDown&) {
        } catch (const kx::ConnectionLost&) {
        } catch (const kx::PortNotOpen&) {
        } catch (const kx::OperationFailed&) {
        }
        tap_.divert({});
        if (heldForJob_) {
            holder_.reset();
            heldForJob_ = false;
        }
        current_ = 0;
        running_ = false;
    }
}

bool Station::requestLock(ClientId client) {
    if (holder_ && *holder_ != client)
        return false;
    const bool taken = !holder_;
    holder_ = client;
    heldForJob_ = false;
    heardAt_ = clock_.steadyMsecs();
    silence_.start();
    if (taken)
        emit lockChanged(client, QStringLiteral("requested"));
    return true;
}

void Station::releaseLock(ClientId client) {
    if (!holder_ || *holder_ != client || heldForJob_)
        return;
    holder_.reset();
    silence_.stop();
    emit lockChanged(0, QStringLiteral("released"));
    QMetaObject::invokeMethod(this, &Station::runNext, Qt::QueuedConnection);
}

void Station::heard(ClientId client) {
    if (holder_ && *holder_ == client)
        heardAt_ = clock_.steadyMsecs();
}

void Station::checkSilence() {
    if (!holder_ || heldForJob_ || current_ == *holder_)
        return;
    if (clock_.steadyMsecs() - heardAt_ < lockTimeoutMs_)
        return;
    const ClientId silent = *holder_;
    holder_.reset();
    silence_.stop();
    emit lockChanged(0, QStringLiteral("released: %1 silent for %2 s")
                            .arg(nameOf(silent))
                            .arg(lockTimeoutMs_ / 1000.0));
    QMetaObject::invokeMethod(this, &Station::runNext, Qt::QueuedConnection);
}

ClientId Station::join(const QString& name) {
    clients_.insert(++lastClient_, name);
    return lastClient_;
}

void Station::leave(ClientId client) {
    std::erase_if(queue_, [client](const Queued& q) { return q.client == client; });
    if (holder_ && *holder_ == client && !(heldForJob_ && current_ == client)) {
        holder_.reset();
        silence_.stop();
        emit lockChanged(0, QStringLiteral("released: %1 gone").arg(nameOf(client)));
        QMetaObject::invokeMethod(this, &Station::runNext, Qt::QueuedConnection);
    }
    clients_.remove(client);
}

void Station::shutdown() {
    shutdown_ = true;
    queue_.clear();
    link_.shutdown();
}

} // namespace kxserver
