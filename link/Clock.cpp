#include "link/Clock.h"

#include <QDateTime>
#include <QEventLoop>
#include <QTimer>

#include <chrono>

namespace kx {

qint64 Clock::msecsToTick(int n) const {
    if (n <= 0)
        return 0;
    const qint64 now = wallMsecs();
    const qint64 second = now - now % 1000;
    return second + 1000LL * n - now;
}

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
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    waiters_.push_back({&loop, &done});
    timer.start(ms);
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
