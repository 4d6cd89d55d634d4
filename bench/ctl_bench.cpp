// kx-bench --ctl: the wall time of `kx-ctl -p 3 status` against kx-sim, from the
// process's start to its exit, beside a one-shot Python script that asks the same
// questions (bench/status_baseline.py: pyserial where Debian's python3-serial is
// installed, else termios). Runs alternate, so both meet the same machine.

#include "Bench.h"

#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace kxbench {

namespace {

// Runs `argv` to its end with standard output and error closed; its wall time in ms, or
// -1 when it did not exit 0.
double timed(const QList<QByteArray>& args) {
    std::vector<char*> argv;
    for (const QByteArray& a : args)
        argv.push_back(const_cast<char*>(a.constData()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const qint64 start = monotonicNs();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    const double ms = double(monotonicNs() - start) / 1e6;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? ms : -1;
}

} // namespace

int runCtl(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    int runs = 30;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0)
            runs = std::max(1, std::atoi(argv[i + 1]));
    }
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QProcess sim;
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sim.start(QStringLiteral(KX_BENCH_SIM_PATH), {QStringLiteral("--port"), QStringLiteral("3")});
    if (!sim.waitForStarted(5000) || !sim.waitForReadyRead(5000)) {
        std::fprintf(stderr, "kx-bench: kx-sim did not start\n");
        return 1;
    }
    static const QRegularExpression form(QStringLiteral(R"(^kx-sim: \w+ on (\S+))"));
    const QString device = form.match(QString::fromLocal8Bit(sim.readLine())).captured(1);

    const QList<QByteArray> ctl{KX_BENCH_CTL_PATH, "-p", "3", "status"};
    const QList<QByteArray> python{"/usr/bin/python3", KX_BENCH_SOURCE_DIR "/status_baseline.py",
                                   device.toLocal8Bit()};
    const QList<QByteArray> ctlAlone{KX_BENCH_CTL_PATH, "--version"};
    const QList<QByteArray> pythonAlone{"/usr/bin/python3", "-c", "import serial"};
    QList<double> ctlMs, pythonMs, ctlStartMs, pythonStartMs;
    for (int i = 0; i < runs + 2; ++i) {
        const double c = timed(ctl), p = timed(python);
        const double cs = timed(ctlAlone), ps = timed(pythonAlone);
        if (c < 0 || p < 0) {
            std::fprintf(stderr, "kx-bench: %s failed\n", c < 0 ? "kx-ctl" : "the Python script");
            return 1;
        }
        if (i < 2) // warm-up: the files come into the page cache
            continue;
        ctlMs << c;
        pythonMs << p;
        ctlStartMs << cs;
        if (ps >= 0) // only with python3-serial installed
            pythonStartMs << ps;
    }
    sim.terminate();
    sim.waitForFinished(3000);

    std::printf("| %d runs each, process start to exit | median | largest |\n|---|---|---|\n",
                runs);
    std::printf("| kx-ctl -p 3 status | %.1f ms | %.1f ms |\n", median(ctlMs), largest(ctlMs));
    std::printf("| status_baseline.py (same 8 queries) | %.1f ms | %.1f ms |\n", median(pythonMs),
                largest(pythonMs));
    std::printf("| kx-ctl --version (start alone) | %.1f ms | %.1f ms |\n", median(ctlStartMs),
                largest(ctlStartMs));
    if (!pythonStartMs.isEmpty())
        std::printf("| python3 -c 'import serial' (start alone) | %.1f ms | %.1f ms |\n",
                    median(pythonStartMs), largest(pythonStartMs));
    std::printf("\nTarget: kx-ctl status no slower than the Python script: %s (%.2fx)\n",
                median(ctlMs) <= median(pythonMs) ? "met" : "missed",
                median(ctlMs) / median(pythonMs));
    return 0;
}

} // namespace kxbench
