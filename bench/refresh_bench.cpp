// Connects the panel to kx-sim over a pseudo-terminal and times 20 status refreshes.
// Run by hand: prints the median and largest refresh time and the CPU time per refresh.
//
//   kx-bench [--latency MS] [--crlf] [--count N]

#include "app/Main.h"
#include "app/MessageBoxes.h"
#include "ui_Main.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

class SilentBoxes final : public kx::MessageBoxes {
public:
    void inform(Icon, const QString& title, const QString& text) override {
        std::fprintf(stderr, "box: %s: %s\n", qPrintable(title), qPrintable(text));
        ++shown;
    }
    Answer ask(Icon, const QString&, const QString&) override { return Answer::No; }
    int shown = 0;
};

double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    QStringList simArgs{QStringLiteral("--port"), QStringLiteral("3")};
    int count = 20;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--latency") && i + 1 < args.size())
            simArgs << args[i] << args[i + 1], ++i;
        else if (args[i] == QLatin1String("--crlf"))
            simArgs << args[i];
        else if (args[i] == QLatin1String("--count") && i + 1 < args.size())
            count = std::max(1, args[++i].toInt());
    }

    QTemporaryDir config;
    QProcess sim;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    sim.setProcessEnvironment(env);
    sim.start(QStringLiteral(KX_SIM_PATH), simArgs);
    if (!sim.waitForStarted(5000) || !sim.waitForReadyRead(5000)) {
        std::fprintf(stderr, "kx-bench: kx-sim did not start\n");
        return 1;
    }
    std::printf("%s", sim.readLine().constData());

    kx::Seams seams;
    auto boxes = std::make_unique<SilentBoxes>();
    SilentBoxes* shown = boxes.get();
    seams.boxes = std::move(boxes);
    seams.configDir = config.path();
    seams.quit = [] {};
    kx::Main panel(std::move(seams));
    panel.ui().comPort->setEditText(QStringLiteral("3"));
    panel.ui().connectBtn->click();
    if (shown->shown || !panel.ui().message->text().startsWith(QLatin1String("KX"))) {
        std::fprintf(stderr, "kx-bench: connect failed: %s\n",
                     qPrintable(panel.ui().message->text()));
        return 1;
    }

    QList<double> times;
    const double cpuStart = cpuSeconds();
    QElapsedTimer all;
    all.start();
    for (int i = 0; i < count; ++i) {
        QElapsedTimer t;
        t.start();
        panel.ui().updateDisplay->click();
        times << double(t.nsecsElapsed()) / 1e6;
        if (panel.ui().message->text() != QLatin1String("Ready")) {
            std::fprintf(stderr, "kx-bench: refresh %d: %s\n", i + 1,
                         qPrintable(panel.ui().message->text()));
            return 1;
        }
    }
    const double wall = double(all.nsecsElapsed()) / 1e9;
    const double cpu = cpuSeconds() - cpuStart;
    std::sort(times.begin(), times.end());
    const double median =
        count % 2 ? times[count / 2] : (times[count / 2 - 1] + times[count / 2]) / 2;
    std::printf("refreshes: %d (7 queries each)\n", count);
    std::printf("median refresh: %.1f ms\n", median);
    std::printf("largest refresh: %.1f ms\n", times.last());
    std::printf("CPU per refresh: %.2f ms (%.1f %% of wall time)\n", 1000 * cpu / count,
                100 * cpu / wall);

    sim.terminate();
    sim.waitForFinished(3000);
    return 0;
}
