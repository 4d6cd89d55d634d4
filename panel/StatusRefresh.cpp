#include "panel/Groups.h"

#include "kit/BusyState.h"
#include "kit/Operations.h"
#include "state/Profile.h"
#include "state/Status.h"
#include "ui_Main.h"

#include <algorithm>

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

} // namespace

void update(const PanelContext& ctx) {
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
}

} // namespace kx::statusRefresh
