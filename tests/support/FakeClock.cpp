#include "support/FakeClock.h"

#include <algorithm>
#include <utility>

namespace kxtest {

FakeClock::FakeClock(qint64 start) : wallOffset_(start - steady_) { addSource(this); }

void FakeClock::stepWallAt(qint64 at, qint64 byMs) { wallSteps_ << WallStep{at, byMs}; }

std::optional<qint64> FakeClock::nextDue() const {
    std::optional<qint64> next;
    for (const WallStep& s : wallSteps_) {
        if (!next || s.at < *next)
            next = s.at;
    }
    return next;
}

void FakeClock::deliverDue(qint64 now) {
    for (qsizetype i = 0; i < wallSteps_.size();) {
        if (wallSteps_[i].at <= now)
            wallOffset_ += wallSteps_.takeAt(i).byMs;
        else
            ++i;
    }
}

void FakeClock::moveTo(qint64 t) {
    // Deliver in time order, so data due earlier arrives first.
    for (;;) {
        std::optional<qint64> next;
        for (TimedSource* s : sources_) {
            const auto due = s->nextDue();
            if (due && *due <= t && (!next || *due < *next))
                next = due;
        }
        if (!next)
            break;
        steady_ = std::max(steady_, *next);
        for (TimedSource* s : sources_)
            s->deliverDue(steady_);
    }
    steady_ = std::max(steady_, t);
}

void FakeClock::advance(qint64 ms) { moveTo(steady_ + ms); }

void FakeClock::wait(int ms, const std::function<bool()>& done) {
    const qint64 start = steady_;
    const qint64 deadline = steady_ + std::max(ms, 0);
    const auto finished = [&] { return done && done(); };
    woken_ = false;
    if (ms <= 0 || finished()) {
        waits << Wait{ms, 0};
        return;
    }
    if (duringNextWait) {
        auto hook = std::move(duringNextWait);
        duringNextWait = nullptr;
        hook();
    }
    moveTo(steady_); // anything due right now
    for (;;) {
        if (std::exchange(woken_, false) && finished())
            break;
        if (steady_ >= deadline)
            break;
        std::optional<qint64> next;
        for (TimedSource* s : sources_) {
            const auto due = s->nextDue();
            if (due && *due > steady_ && *due <= deadline && (!next || *due < *next))
                next = due;
        }
        moveTo(next ? *next : deadline);
    }
    waits << Wait{ms, steady_ - start};
}

} // namespace kxtest
