// The default run of kx-bench: the panel's status refresh over a pseudo-terminal to
// kx-sim, beside the floor the line itself allows, both measured in the same run.
//
// For each setting of the simulator (answers ending in CR or in CR LF; latency 0 or
// 50 ms) a fresh kx-sim is started as port 3 and a fresh window connects to it. The
// run then goes in rounds, so that both sides see the same machine: press Connect
// (timed until the identification line shows), time the refreshes ("Update"), press
// Close Port, then time the floor: the same seven queries written straight to the
// device through QSerialPort, each read until its CR, with no panel in between. CPU
// time is taken over the refreshes only.
//
//   kx-bench [--count N] [--latency MS] [--crlf] [--show]
//
// --latency or --crlf measure that one setting only; --show shows the window while
// measuring (it is hidden by default, so the figures leave out its painting).

#include "Bench.h"
#include "app/Main.h"
#include "kit/MessageBoxes.h"
#include "kit/Operations.h"
#include "link/Exchange.h"
#include "ui_Main.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <memory>
#include <optional>

namespace kxbench {

namespace {

// What the status refresh asks, in its order.
const char* const statusQueries[] = {"FUNC?", "FREQ?", "AMPL?", "OFFS?", "MODE?", "SWE?", "MODUL?"};

struct Setting {
    int latencyMs;
    bool crlf;
};

struct Figures {
    Setting setting;
    QList<double> refresh; // ms
    QList<double> floor;   // ms
    QList<double> connect; // ms
    double refreshCpu = 0; // s
    double refreshWall = 0;
};

// A box would stop the run; each one is named on stderr and counted as a failure.
class SilentBoxes final : public kx::MessageBoxes {
public:
    void inform(Icon, const QString& title, const QString& text) override {
        std::fprintf(stderr, "box: %s: %s\n", qPrintable(title), qPrintable(text));
        ++shown;
    }
    Answer ask(Icon, const QString& title, const QString& text) override {
        inform(Icon::Question, title, text);
        return Answer::No;
    }
    int shown = 0;
};

// kx-sim on a pseudo-terminal, made port 3 of `configDir`.
class Simulator {
public:
    ~Simulator() { stop(); }

    bool start(Setting s, const QString& configDir) {
        QStringList args{QStringLiteral("--port"), QStringLiteral("3"), QStringLiteral("--latency"),
                         QString::number(s.latencyMs)};
        if (s.crlf)
            args << QStringLiteral("--crlf");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), configDir);
        process_.setProcessEnvironment(env);
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(QStringLiteral(KX_BENCH_SIM_PATH), args);
        if (!process_.waitForStarted(5000))
            return false;
        while (!process_.canReadLine()) {
            if (!process_.waitForReadyRead(5000))
                return false;
        }
        static const QRegularExpression form(
            QStringLiteral(R"(^kx-sim: (KX\w+) on (\S+)( as port (\d+) \((.+)\))?$)"));
        const auto match = form.match(QString::fromLocal8Bit(process_.readLine()).trimmed());
        if (!match.hasMatch())
            return false;
        device_ = match.captured(2);
        return true;
    }

    void stop() {
        if (process_.state() == QProcess::NotRunning)
            return;
        process_.terminate();
        if (!process_.waitForFinished(3000)) {
            process_.kill();
            process_.waitForFinished(3000);
        }
    }

    const QString& device() const { return device_; }

private:
    QProcess process_;
    QString device_;
};

// Returns once no operation runs. Today a click returns only when its operation is
// done; should operations ever finish later, the time to that point still counts.
bool settle(kx::Main& panel) {
    if (!panel.operations().isRunning())
        return true;
    QTimer tick; // wakes the loop below even when nothing else happens
    tick.start(5);
    QElapsedTimer t;
    t.start();
    while (panel.operations().isRunning()) {
        if (t.elapsed() > 10'000)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// The floor: the seven queries straight through QSerialPort, each read until its CR.
// Whatever is left of the previous answer (the LF of a CR LF) is thrown away first.
bool floorPass(QSerialPort& port) {
    for (const char* query : statusQueries) {
        port.readAll();
        port.write(QByteArray(query) + '\r');
        port.flush();
        QByteArray reply;
        while (!reply.contains('\r')) {
            if (!port.waitForReadyRead(kx::Exchange::replyTimeoutMs))
                return false;
            reply += port.readAll();
        }
    }
    return true;
}

bool fail(const char* what, const QString& detail = {}) {
    std::fprintf(stderr, "kx-bench: %s%s%s\n", what, detail.isEmpty() ? "" : ": ",
                 qPrintable(detail));
    return false;
}

double msSince(const QElapsedTimer& t) { return double(t.nsecsElapsed()) / 1e6; }

bool measure(Figures& f, int count, int rounds, bool show) {
    QTemporaryDir config;
    Simulator sim;
    if (!sim.start(f.setting, config.path()))
        return fail("kx-sim did not start");

    kx::Seams seams;
    auto boxes = std::make_unique<SilentBoxes>();
    SilentBoxes* seen = boxes.get();
    seams.boxes = std::move(boxes);
    seams.configDir = config.path();
    seams.quit = [] {};
    kx::Main panel(std::move(seams));
    Ui::Main& ui = panel.ui();
    if (show) {
        panel.show();
        QElapsedTimer t;
        t.start();
        while (!(panel.windowHandle() && panel.windowHandle()->isExposed()) && t.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }

    QSerialPort floorPort;
    floorPort.setPortName(sim.device());
    floorPort.setBaudRate(QSerialPort::Baud115200);
    floorPort.setDataBits(QSerialPort::Data8);
    floorPort.setParity(QSerialPort::NoParity);
    floorPort.setStopBits(QSerialPort::OneStop);
    floorPort.setFlowControl(QSerialPort::NoFlowControl);

    const auto connectPanel = [&](QList<double>* times) {
        ui.message->clear();
        ui.comPort->setEditText(QStringLiteral("3"));
        QElapsedTimer t;
        t.start();
        ui.connectBtn->click();
        const bool settled = settle(panel);
        if (times)
            *times << msSince(t);
        if (!settled || seen->shown || !ui.message->text().startsWith(QLatin1String("KX")))
            return fail("connect failed", ui.message->text());
        return true;
    };
    const auto refresh = [&](QList<double>* times) {
        QElapsedTimer t;
        t.start();
        ui.updateDisplay->click();
        const bool settled = settle(panel);
        if (times)
            *times << msSince(t);
        if (!settled || seen->shown || ui.message->text() != QLatin1String("Ready"))
            return fail("refresh failed", ui.message->text());
        return true;
    };
    const auto closePanel = [&] {
        ui.closeBtn->click();
        return settle(panel) || fail("Close Port did not finish");
    };
    const auto floor = [&](int passes, QList<double>* times) {
        if (!floorPort.open(QIODevice::ReadWrite))
            return fail("the floor could not open", sim.device());
        for (int i = 0; i < passes; ++i) {
            QElapsedTimer t;
            t.start();
            const bool ok = floorPass(floorPort);
            if (times)
                *times << msSince(t);
            if (!ok) {
                floorPort.close();
                return fail("no answer to the floor's queries");
            }
        }
        floorPort.close();
        return true;
    };

    // Warm-up, not counted: one Connect, one refresh, one floor pass.
    if (!connectPanel(nullptr) || !refresh(nullptr) || !closePanel() || !floor(1, nullptr))
        return false;

    for (int r = 0; r < rounds; ++r) {
        const int chunk = count / rounds + (r < count % rounds ? 1 : 0);
        if (!connectPanel(&f.connect))
            return false;
        const double cpu = cpuSeconds();
        QElapsedTimer wall;
        wall.start();
        for (int i = 0; i < chunk; ++i) {
            if (!refresh(&f.refresh))
                return false;
        }
        f.refreshWall += double(wall.nsecsElapsed()) / 1e9;
        f.refreshCpu += cpuSeconds() - cpu;
        if (!closePanel() || !floor(chunk, &f.floor))
            return false;
    }
    return true;
}

QString ms(double v) { return QString::number(v, 'f', v < 10 ? 2 : 1) + QStringLiteral(" ms"); }

QString settingName(Setting s) {
    return QStringLiteral("latency %1 ms, %2").arg(s.latencyMs).arg(s.crlf ? "CR LF" : "CR");
}

} // namespace

int runRefresh(int argc, char* argv[]) {
    QApplication app(argc, argv);
    int count = 20;
    bool show = false;
    std::optional<int> latency;
    bool crlf = false;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--latency") && i + 1 < args.size())
            latency = std::max(0, args[++i].toInt());
        else if (args[i] == QLatin1String("--crlf"))
            crlf = true;
        else if (args[i] == QLatin1String("--count") && i + 1 < args.size())
            count = std::max(1, args[++i].toInt());
        else if (args[i] == QLatin1String("--show"))
            show = true;
    }
    QList<Setting> settings;
    if (latency || crlf)
        settings << Setting{latency.value_or(0), crlf};
    else
        settings << Setting{0, false} << Setting{0, true} << Setting{50, false}
                 << Setting{50, true};
    const int rounds = std::min(count, 4);

    std::printf("kx-bench: %d refreshes of 7 queries per setting, in %d rounds with the floor "
                "and Connect; Qt %s, platform %s, window %s\n\n",
                count, rounds, qVersion(), qPrintable(QGuiApplication::platformName()),
                show ? "shown" : "hidden");
    std::printf("| kx-sim | refresh median | largest | floor median | largest | refresh / floor "
                "| Connect median | CPU per refresh |\n");
    std::printf("|---|---|---|---|---|---|---|---|\n");
    std::fflush(stdout);

    QList<Figures> all;
    for (Setting s : settings) {
        Figures f{s, {}, {}, {}};
        if (!measure(f, count, rounds, show))
            return 1;
        const double ratio = median(f.refresh) / median(f.floor);
        std::printf("| %s | %s | %s | %s | %s | %.2fx | %s | %.2f ms (%.1f %% of wall time) |\n",
                    qPrintable(settingName(s)), qPrintable(ms(median(f.refresh))),
                    qPrintable(ms(largest(f.refresh))), qPrintable(ms(median(f.floor))),
                    qPrintable(ms(largest(f.floor))), ratio, qPrintable(ms(median(f.connect))),
                    1000 * f.refreshCpu / count, 100 * f.refreshCpu / f.refreshWall);
        std::fflush(stdout);
        all << f;
    }

    std::printf("\n");
    QStringList ratios;
    bool ratioMet = true;
    for (const Figures& f : all) {
        if (f.setting.crlf)
            continue;
        const double ratio = median(f.refresh) / median(f.floor);
        ratios << QStringLiteral("%1x at latency %2 ms")
                      .arg(ratio, 0, 'f', 2)
                      .arg(f.setting.latencyMs);
        ratioMet = ratioMet && ratio <= 1.5;
    }
    if (!ratios.isEmpty())
        std::printf("target: refresh within 1.5x the floor with CR answers: %s: %s\n",
                    qPrintable(ratios.join(QStringLiteral(", "))), ratioMet ? "met" : "missed");
    for (const Figures& f : all) {
        if (f.setting.latencyMs < 50 || f.setting.crlf)
            continue;
        const double share = 100 * f.refreshCpu / f.refreshWall;
        std::printf("target: CPU under 1 %% of wall time while waiting (%s): %.2f %%: %s\n",
                    qPrintable(settingName(f.setting)), share, share < 1 ? "met" : "missed");
    }
    return 0;
}

} // namespace kxbench
