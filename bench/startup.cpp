// kx-bench --startup [--runs N]: the panel's start-up time and footprint beside an empty
// QMainWindow's, measured in the same run.
//
// Each run starts a fresh process: kx-startup-probe for the panel, kx-startup-empty
// (the same probe built with Qt Widgets alone) for a bare QMainWindow of the panel's
// size. The two alternate, N runs each (10 unless told) after one warm-up run each that
// is not counted; the medians are printed. See startup_probe.cpp for what is measured.
// The probes run under the platform of this process: offscreen without a display.

#include "Bench.h"

#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>

#include <cstdio>

namespace kxbench {

namespace {

struct Run {
    double shownMs = 0;
    double mainMs = 0;
    double builtMs = 0;
    double rssKb = 0;
    QString platform;
    QString size;
    int boxes = 0;
};

bool probe(const QString& program, const QStringList& args, Run& out) {
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KX_PROBE_T0_NS"), QString::number(monotonicNs()));
    process.setProcessEnvironment(env);
    process.start(program, args);
    if (!process.waitForFinished(30'000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        std::fprintf(stderr, "kx-bench: %s failed\n", qPrintable(program));
        return false;
    }
    const QString text = QString::fromLocal8Bit(process.readAllStandardOutput());
    const qsizetype at = text.indexOf(QLatin1String("probe: "));
    if (at < 0) {
        std::fprintf(stderr, "kx-bench: %s printed no figures\n", qPrintable(program));
        return false;
    }
    QHash<QString, QString> v;
    static const QRegularExpression pair(QStringLiteral(R"((\w+)=(\S+))"));
    auto it = pair.globalMatch(text.mid(at, text.indexOf(QLatin1Char('\n'), at) - at));
    while (it.hasNext()) {
        const auto m = it.next();
        v.insert(m.captured(1), m.captured(2));
    }
    out.shownMs = v.value(QStringLiteral("shown_ms")).toDouble();
    out.mainMs = v.value(QStringLiteral("main_ms")).toDouble();
    out.builtMs = v.value(QStringLiteral("built_ms")).toDouble();
    out.rssKb = v.value(QStringLiteral("rss_kb")).toDouble();
    out.platform = v.value(QStringLiteral("platform"));
    out.size = v.value(QStringLiteral("size"));
    out.boxes = v.value(QStringLiteral("boxes")).toInt();
    return true;
}

} // namespace

int runStartup(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    int runs = 10;
    const QStringList args = app.arguments();
    const qsizetype at = args.indexOf(QStringLiteral("--runs"));
    if (at >= 0 && at + 1 < args.size())
        runs = std::max(1, args[at + 1].toInt());

    const QString panelProbe = QStringLiteral(KX_BENCH_PROBE_PATH);
    const QString emptyProbe = QStringLiteral(KX_BENCH_EMPTY_PATH);
    Run panelRun;
    Run emptyRun;
    // Warm-up, not counted; the panel's run also gives the size of the empty window.
    if (!probe(panelProbe, {}, panelRun))
        return 1;
    const QStringList emptyArgs{QStringLiteral("--empty"), QStringLiteral("--size"), panelRun.size};
    if (!probe(emptyProbe, emptyArgs, emptyRun))
        return 1;

    QList<double> panelShown, panelMain, panelBuilt, panelRss;
    QList<double> emptyShown, emptyMain, emptyBuilt, emptyRss;
    for (int i = 0; i < runs; ++i) {
        if (!probe(panelProbe, {}, panelRun) || !probe(emptyProbe, emptyArgs, emptyRun))
            return 1;
        panelShown << panelRun.shownMs;
        panelMain << panelRun.mainMs;
        panelBuilt << panelRun.builtMs;
        panelRss << panelRun.rssKb;
        emptyShown << emptyRun.shownMs;
        emptyMain << emptyRun.mainMs;
        emptyBuilt << emptyRun.builtMs;
        emptyRss << emptyRun.rssKb;
    }

    std::printf("kx-bench --startup: Qt %s, platform %s, medians of %d runs each, alternating\n\n",
                qVersion(), qPrintable(panelRun.platform), runs);
    std::printf("| window | process start to shown | main() reached | window constructed "
                "| VmRSS once shown |\n");
    std::printf("|---|---|---|---|---|\n");
    std::printf("| kx-panel (16-port probe, %d box%s counted) | %.1f ms | %.1f ms | %.1f ms | "
                "%.0f kB |\n",
                panelRun.boxes, panelRun.boxes == 1 ? "" : "es", median(panelShown),
                median(panelMain), median(panelBuilt), median(panelRss));
    std::printf("| empty QMainWindow, %s | %.1f ms | %.1f ms | %.1f ms | %.0f kB |\n",
                qPrintable(emptyRun.size), median(emptyShown), median(emptyMain),
                median(emptyBuilt), median(emptyRss));
    const double ratio = median(panelShown) / median(emptyShown);
    const double extraKb = median(panelRss) - median(emptyRss);
    std::printf("\ntarget: start-up within 1.3x the empty window's: %.2fx: %s\n", ratio,
                ratio <= 1.3 ? "met" : "missed");
    std::printf("target: resident memory within 10 MB of the empty window's: %+.0f kB: %s\n",
                extraKb, extraKb <= 10240 ? "met" : "missed");
    return 0;
}

} // namespace kxbench
