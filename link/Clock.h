#pragma once

#include <QtGlobal>

#include <functional>
#include <vector>

class QEventLoop;

namespace kx {

// Time as the exchange sees it. The real clock runs the window's event loop while it
// waits; the test clock moves virtual time on and never sleeps. Waits and time-outs run
// on steady time, which a step of the wall clock (a time server's correction, the
// operator setting the clock) does not move; only the whole-second ticks are the wall
// clock's.
class Clock {
public:
    virtual ~Clock() = default;

    // Milliseconds since the epoch on the local wall clock; whole seconds are its ticks.
    virtual qint64 wallMsecs() const = 0;

    // Milliseconds on a monotonic clock from some fixed point: only differences mean
    // anything. It never goes back and is not moved when the wall clock is set.
    virtual qint64 steadyMsecs() const = 0;

    // Waits up to `ms` milliseconds of steady time, letting window events through, and
    // returns early once `done` holds. `done` is checked at the start and again after
    // each wake().
    virtual void wait(int ms, const std::function<bool()>& done) = 0;

    // Something `done` looks at may have changed: re-check it.
    virtual void wake() = 0;

    // Milliseconds from now to the n-th whole-second tick of the wall clock.
    qint64 msecsToTick(int n) const;
};

class RealClock final : public Clock {
public:
    qint64 wallMsecs() const override;
    qint64 steadyMsecs() const override;
    void wait(int ms, const std::function<bool()>& done) override;
    void wake() override;

private:
    struct Waiter {
        QEventLoop* loop;
        const std::function<bool()>* done;
    };
    std::vector<Waiter> waiters_;
};

} // namespace kx
