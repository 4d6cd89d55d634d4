#include "panel/Groups.h"

#include "kit/BusyState.h"
#include "kit/Operations.h"
#include "link/Exchange.h"
#include "link/SerialPort.h"
#include "state/Profile.h"
#include "state/Status.h"
#include "ui_Main.h"

#include <QTimer>

#include <algorithm>
#include <utility>

namespace kx::statusRefresh {

namespace {

// The function indicator's caption for a sweep or modulation the generator reports, and
// the modulation's source; none for a sweep or modulation that is off.
struct Caption {
    Choice choice;
    const char* indicator;
    const char* source; // nullptr: source unchanged
};

constexpr Caption captions[] = {
    {{&commands::linearSweep}, "Linear Sweep", nullptr},
    {{&commands::logSweep}, "Log Sweep", nullptr},
    {{&commands::modulation, 0}, "AM Modulation", "INT"},
    {{&commands::modulation, 1}, "AM Modulation", "EXT"},
    {{&commands::modulation, 2}, "FM Modulation", "INT"},
    {{&commands::modulation, 3}, "FM Modulation", "EXT"},
};

const Caption* captionOf(const Choice& choice) {
    const Caption* c = std::ranges::find(captions, choice, &Caption::choice);
    return c == std::end(captions) ? nullptr : c;
}

void updateDisplay_Click(const PanelContext& ctx) {
    ctx.ops.run(Operations::Needs::Port, [&] { update(ctx); });
}

// What other programs sharing the port have changed, not yet shown.
struct Changes : QObject {
    static constexpr const char* name = "othersChanges";

    explicit Changes(const PanelContext& ctx) : QObject(&ctx.ops), ctx(ctx) {
        setObjectName(QLatin1String(name));
        // One reading after another program's operation, not one for each of its lines.
        timer.setSingleShot(true);
        timer.setInterval(200);
        connect(&timer, &QTimer::timeout, this, &Changes::show);
        connect(&ctx.link.port(), &SerialPort::othersTraffic, this,
                [this](const QString& client, const QString& line) {
                    if (line.endsWith(QLatin1Char('?')))
                        return;
                    if (!by.contains(client))
                        by << client;
                    lines << line;
                    timer.start();
                });
    }

    // The displays read the generator again, as Update does, and the status line says who
    // changed it and with which lines.
    void show() {
        if (lines.isEmpty() || !ctx.link.isOpen())
            return lines.clear(), by.clear();
        if (ctx.ops.isRunning())
            return timer.start();
        ctx.ops.run(Operations::Needs::Port, [&] {
            // Taken once the turn is ours: the lines of the operation waited for count too.
            QStringList shown = std::exchange(lines, {});
            const QStringList who = std::exchange(by, {});
            if (shown.size() > 4)
                shown = shown.mid(0, 4) << QStringLiteral("...");
            update(ctx);
            ctx.ui.message->setText(
                QStringLiteral("Changed by %1: %2")
                    .arg(who.join(QLatin1String(", ")), shown.join(QLatin1String(", "))));
        });
    }

    PanelContext ctx;
    QTimer timer;
    QStringList lines;
    QStringList by;
};

} // namespace

void update(const PanelContext& ctx) {
    // What others changed before this reading, it shows.
    if (auto* changes = ctx.ops.findChild<QObject*>(QLatin1String(Changes::name))) {
        static_cast<Changes*>(changes)->lines.clear();
        static_cast<Changes*>(changes)->by.clear();
    }
    BusyGuard busy(ctx.busy);
    const Status s = readStatus(ctx.link, ctx.vars);
    show(ctx, s);
    busy.release();
    raise(s.result);
}

void show(const PanelContext& ctx, const Status& s) {
    Ui::Main& ui = ctx.ui;
    if (s.waveform)
        showWavePicture(ui, QString::fromLatin1(s.waveform->picture));
    if (s.frequency)
        show(ui, shown::frequency, *s.frequency);
    if (s.amplitude)
        show(ui, shown::amplitude, *s.amplitude);
    if (s.offset)
        show(ui, shown::offset, *s.offset);
    if (s.mode)
        ui.mode->setText(*s.mode);
    if (s.sweep) {
        const Caption* sweep = captionOf(*s.sweep);
        ui.funcIndicator->setText(QString::fromLatin1(sweep ? sweep->indicator : ""));
    }
    if (const Caption* modulation = s.modulation ? captionOf(*s.modulation) : nullptr) {
        ui.funcIndicator->setText(QString::fromLatin1(modulation->indicator));
        ui.source->setText(QString::fromLatin1(modulation->source));
    }
    if (s.output)
        showOutput(ui, *s.output);
}

void wire(const PanelContext& ctx) {
    static const Click clicks[] = {{"updateDisplay", updateDisplay_Click}};
    kx::wire(ctx, clicks);
    new Changes(ctx);
}

} // namespace kx::statusRefresh
