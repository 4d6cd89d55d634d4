#include "link/Clock.h"

#include <QDateTime>
#include <QEventLoop>
#include <QTimer>

#include <chrono>

namespace kx {

qint64 Clock::msecsToTick(int n) const { return n <= 0 ? 0 : 1000LL * n - wallMsecs() % 1000; }

qint64 RealClock::wallMsecs() const { return QDateTime::currentMSecsSinceEpoch(); }

qint64 RealClock::steadyMsecs() const {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void RealClock::wait(int ms, const std::function<bool()>& done) {
    if (ms <= 0 || (done && done()))
        return;
    QEventLoop loop;
    // QTimer runs on the monotonic clock, so a step of the wall clock does not move it.
    // The timer goes with the loop when the wait ends early.
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    waiters_.push_back({&loop, &done});
    loop.exec();
    waiters_.pop_back();
}

void RealClock::wake() {
    // Waits nest when a window event handled inside one starts another; each is
    // checked against its own condition.
    for (const Waiter& w : waiters_) {
        if (*w.done && (*w.done)())
            w.loop->quit();
    }
}

} // namespace kx
