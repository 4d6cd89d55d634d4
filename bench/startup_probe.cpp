// The start-up probe of kx-bench --startup.
//
//   kx-startup-probe [--empty [--size WxH]]
//
// Shows the panel (with --empty: a bare QMainWindow, of the size given) and, once the
// window's first expose event has been processed (its first painting included), prints
// one line and exits:
//
//   probe: mode=panel platform=offscreen shown_ms=83.10 main_ms=12.00 built_ms=50.20 stat_ms=80
//          rss_kb=41234 size=959x499 boxes=1
//
// shown_ms counts from KX_PROBE_T0_NS, the CLOCK_MONOTONIC time (ns) the launcher took
// just before it started this process, so fork, exec, the loading of the libraries and
// static initialisation are in it; main_ms is the part before main(), built_ms the part
// until the window's constructor has returned. CLOCK_MONOTONIC is
// one clock for all processes, read to the microsecond. Without KX_PROBE_T0_NS both
// count from the process's start time in /proc/self/stat (field 22, clock ticks since
// boot) against CLOCK_BOOTTIME (the clock of /proc/uptime). That start time moves in
// 10 ms steps, too coarse to compare windows a few ms apart, so it is printed as
// stat_ms, a cross-check.
//
// The panel is the real kx::Main: the real port probe of all 16 ports, the real serial
// port and clock. Only its message boxes are replaced, by ones that count instead of
// waiting for OK: with no port found the real start-up shows a modal box before its
// window, which would stop the measurement there. boxes= says how many it showed.
//
// kx-startup-empty is this program built with Qt Widgets alone (KX_PROBE_EMPTY_ONLY),
// so the empty window's figures carry none of the panel's libraries.

#include "Bench.h"

#ifndef KX_PROBE_EMPTY_ONLY
#include "app/Main.h"
#include "kit/MessageBoxes.h"
#endif

#include <QApplication>
#include <QEvent>
#include <QMainWindow>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>

#include <unistd.h>

namespace {

#ifndef KX_PROBE_EMPTY_ONLY
class CountingBoxes final : public kx::MessageBoxes {
public:
    explicit CountingBoxes(int& shown) : shown_(shown) {}
    void inform(Icon, const QString&, const QString&) override { ++shown_; }
    Answer ask(Icon, const QString&, const QString&) override {
        ++shown_;
        return Answer::No;
    }

private:
    int& shown_;
};
#endif

// Processes the first expose event of `window` itself, then calls `done`.
class FirstExpose final : public QObject {
public:
    FirstExpose(QWidget& window, std::function<void()> done)
        : window_(window), done_(std::move(done)) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (fired_ || event->type() != QEvent::Expose || !watched->isWindowType() ||
            watched != window_.windowHandle() || !window_.windowHandle()->isExposed())
            return false;
        fired_ = true;
        watched->event(event); // handled here, so what follows comes after it
        done_();
        return true;
    }

private:
    QWidget& window_;
    std::function<void()> done_;
    bool fired_ = false;
};

// Milliseconds since this process started, from /proc/self/stat; -1 if unreadable.
double msSinceStatStart() {
    FILE* f = std::fopen("/proc/self/stat", "r");
    if (!f)
        return -1;
    char buffer[4096];
    const std::size_t n = std::fread(buffer, 1, sizeof buffer - 1, f);
    std::fclose(f);
    buffer[n] = '\0';
    // Field 2 (the name) is in parentheses and may hold blanks; field 3 follows the last ')'.
    const char* p = std::strrchr(buffer, ')');
    if (!p)
        return -1;
    unsigned long long start = 0;
    int field = 2;
    for (const char* token = std::strtok(const_cast<char*>(p + 1), " "); token;
         token = std::strtok(nullptr, " ")) {
        if (++field == 22) {
            start = std::strtoull(token, nullptr, 10);
            break;
        }
    }
    if (field != 22)
        return -1;
    timespec boot{};
    clock_gettime(CLOCK_BOOTTIME, &boot);
    const double nowMs = double(boot.tv_sec) * 1e3 + double(boot.tv_nsec) / 1e6;
    return nowMs - double(start) * 1e3 / double(sysconf(_SC_CLK_TCK));
}

} // namespace

int main(int argc, char* argv[]) {
    const qint64 atMain = kxbench::monotonicNs();
    const double statAtMain = msSinceStatStart();
    const QByteArray t0Text = qgetenv("KX_PROBE_T0_NS");
    const qint64 t0 = t0Text.isEmpty() ? 0 : t0Text.toLongLong();

    bool empty = false;
    QSize size;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--empty") == 0) {
            empty = true;
        } else if (std::strcmp(argv[i], "--size") == 0 && i + 1 < argc) {
            int w = 0;
            int h = 0;
            if (std::sscanf(argv[++i], "%dx%d", &w, &h) == 2)
                size = QSize(w, h);
        }
    }
#ifdef KX_PROBE_EMPTY_ONLY
    if (!empty) {
        std::fprintf(stderr, "kx-startup-empty: only --empty\n");
        return 2;
    }
#endif

    QApplication app(argc, argv);
    int boxes = 0;
    std::unique_ptr<QMainWindow> window;
    if (empty) {
        window = std::make_unique<QMainWindow>();
        if (size.isValid())
            window->resize(size);
    } else {
#ifndef KX_PROBE_EMPTY_ONLY
        kx::Seams seams;
        seams.boxes = std::make_unique<CountingBoxes>(boxes);
        window = std::make_unique<kx::Main>(std::move(seams));
#endif
    }
    const qint64 built = kxbench::monotonicNs();

    FirstExpose watch(*window, [&] {
        const qint64 shown = kxbench::monotonicNs();
        const double stat = msSinceStatStart();
        const long rss = kxbench::residentKb();
        const double shownMs = t0 ? double(shown - t0) / 1e6 : stat;
        const double mainMs = t0 ? double(atMain - t0) / 1e6 : statAtMain;
        const double builtMs = mainMs + double(built - atMain) / 1e6;
        std::printf("probe: mode=%s platform=%s shown_ms=%.2f main_ms=%.2f built_ms=%.2f "
                    "stat_ms=%.0f rss_kb=%ld size=%dx%d boxes=%d\n",
                    empty ? "empty" : "panel", qPrintable(QGuiApplication::platformName()), shownMs,
                    mainMs, builtMs, stat, rss, window->width(), window->height(), boxes);
        std::fflush(stdout);
        QCoreApplication::exit(0);
    });
    app.installEventFilter(&watch);
    window->show();
    QTimer::singleShot(10'000, &app, [] {
        std::fprintf(stderr, "kx-startup-probe: the window was not exposed within 10 s\n");
        QCoreApplication::exit(1);
    });
    return app.exec();
}
