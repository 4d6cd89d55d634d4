#pragma once

#include "link/Clock.h"

#include <QList>

#include <functional>
#include <optional>

namespace kxtest {

// Something that happens at a moment of virtual time: data arriving on a port.
class TimedSource {
public:
    virtual ~TimedSource() = default;
    virtual std::optional<qint64> nextDue() const = 0;
    virtual void deliverDue(qint64 now) = 0;
};

// A clock that never sleeps: a wait moves virtual time on to its end, delivering what
// the sources have due on the way. As on the real clock, its condition is looked at when
// the wait starts and after each wake() only, so a wait that nobody wakes runs to its
// end. Virtual time is steady time: waits and the sources' due times count on it. The
// wall clock runs with it, but setWall() and stepWallAt() move the wall clock alone, as
// setting the real one does.
class FakeClock final : public kx::Clock, private TimedSource {
public:
    struct Wait {
        int requested; // the longest the caller asked to wait, ms
        qint64 waited; // how long it lasted, ms
    };

    // 12:00:00.250 local time on some day: the next whole-second tick is 750 ms away.
    // Steady time starts elsewhere, an hour after some boot, so mixing the two shows.
    explicit FakeClock(qint64 start = 1'765'108'800'250);

    qint64 wallMsecs() const override { return steady_ + wallOffset_; }
    qint64 steadyMsecs() const override { return steady_; }
    void wait(int ms, const std::function<bool()>& done) override;
    void wake() override { woken_ = true; }

    void addSource(TimedSource* source) { sources_ << source; }
    // Moves time on by `ms`, delivering everything that falls due.
    void advance(qint64 ms);
    // Sets the wall clock; steady time does not move.
    void setWall(qint64 msecs) { wallOffset_ = msecs - steady_; }
    // When steady time reaches `at`, the wall clock is set `byMs` on (back when negative),
    // in the middle of whatever wait is going on then.
    void stepWallAt(qint64 at, qint64 byMs);

    // Every wait so far.
    QList<Wait> waits;
    // Runs inside the next wait, once, as an operator acting during a pause would.
    std::function<void()> duringNextWait;

private:
    struct WallStep {
        qint64 at;
        qint64 byMs;
    };

    void moveTo(qint64 t);
    std::optional<qint64> nextDue() const override;
    void deliverDue(qint64 now) override;

    qint64 steady_ = 3'600'000;
    qint64 wallOffset_;
    bool woken_ = false;
    QList<TimedSource*> sources_;
    QList<WallStep> wallSteps_;
};

} // namespace kxtest
