#include "support/FakeClock.h"

#include <algorithm>
#include <utility>

namespace kxtest {

FakeClock::FakeClock(qint64 start) : now_(start) {}

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
        now_ = std::max(now_, *next);
        for (TimedSource* s : sources_)
            s->deliverDue(now_);
    }
    now_ = std::max(now_, t);
}

void FakeClock::advance(qint64 ms) { moveTo(now_ + ms); }

void FakeClock::wait(int ms, const std::function<bool()>& done) {
    const qint64 start = now_;
    const qint64 deadline = now_ + std::max(ms, 0);
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
    moveTo(now_); // anything due right now
    for (;;) {
        if (std::exchange(woken_, false) && finished())
            break;
        if (now_ >= deadline)
            break;
        std::optional<qint64> next;
        for (TimedSource* s : sources_) {
            const auto due = s->nextDue();
            if (due && *due > now_ && *due <= deadline && (!next || *due < *next))
                next = due;
        }
        moveTo(next ? *next : deadline);
    }
    waits << Wait{ms, now_ - start};
}

} // namespace kxtest
