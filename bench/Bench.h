#pragma once

// Small helpers shared by kx-bench and its start-up probe.

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QtGlobal>

#include <algorithm>
#include <cmath>
#include <ctime>

namespace kxbench {

// CPU time of the whole process (all threads), seconds.
inline double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// CLOCK_MONOTONIC in nanoseconds: one clock for every process of the machine.
inline qint64 monotonicNs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return qint64(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

// The resident set (VmRSS of /proc/self/status), kB; -1 if it cannot be read.
inline long residentKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

inline double median(QList<double> values) {
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The p-th percentile (0 < p <= 100) by nearest rank: the smallest of the values with
// at least p % of them at or below it.
inline double percentile(QList<double> values, double p) {
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto rank = qsizetype(std::ceil(p / 100 * double(values.size())));
    return values[std::clamp<qsizetype>(rank, 1, values.size()) - 1];
}

inline double largest(const QList<double>& values) {
    return values.isEmpty() ? 0 : *std::max_element(values.begin(), values.end());
}

// Without a display (no DISPLAY, no WAYLAND_DISPLAY) and no platform chosen, Qt is
// told to draw off screen. Children started afterwards inherit the choice.
inline void choosePlatform() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

// The modes of kx-bench; each makes its own application object.
int runRefresh(int argc, char* argv[]);
int runSoak(int argc, char* argv[]);
int runStartup(int argc, char* argv[]);
int runCtl(int argc, char* argv[]);
int runServer(int argc, char* argv[]);

} // namespace kxbench
