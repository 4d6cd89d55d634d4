#include "panel/Groups.h"

#include "kit/BusyState.h"
#include "kit/Operations.h"
#include "kit/ShapeWidget.h"
#include "state/Profile.h"
#include "ui_Main.h"

#include <QApplication>

#include <optional>

namespace kx {

void showOutput(Ui::Main& ui, bool on) {
    ui.outOn->setEnabled(!on);
    ui.outOff->setEnabled(on);
    ui.outLight->setFillColor(on ? QColor(0, 255, 0)
                                 : QApplication::palette().color(QPalette::Button));
}

namespace waveformOutput {

namespace {

// The line goes out before the busy state (the runner keeps other operations out of
// its pause meanwhile); the choice is shown whatever the generator made of it, and the
// output frequency as the generator now has it.
void select(const PanelContext& ctx, const Waveform& waveform) {
    ctx.ops.run(Operations::Needs::Port, [&] {
        std::optional<BusyGuard> busy;
        const Result r = selectWaveform(ctx.link, ctx.vars, waveform, [&] {
            busy.emplace(ctx.busy);
            showWavePicture(ctx.ui, QString::fromLatin1(waveform.picture));
        });
        if (r.kind == Result::Kind::Done)
            show(ctx.ui, shown::frequency, r.answer);
        busy.reset();
        raise(r);
    });
}

// The panel follows the generator's answer, not the button pressed.
void setOutput(const PanelContext& ctx, bool on) {
    ctx.ops.run(Operations::Needs::Port, [&] {
        BusyGuard busy(ctx.busy);
        const Result r = switchOutput(ctx.link, on);
        raise(r);
        if (r.answer.value == (on ? QLatin1String("1") : QLatin1String("0")))
            showOutput(ctx.ui, on);
    });
}

void sine_Click(const PanelContext& ctx) { select(ctx, waveforms[0]); }
void square_Click(const PanelContext& ctx) { select(ctx, waveforms[1]); }
void ramp_Click(const PanelContext& ctx) { select(ctx, waveforms[2]); }
void outOn_Click(const PanelContext& ctx) { setOutput(ctx, true); }
void outOff_Click(const PanelContext& ctx) { setOutput(ctx, false); }

// Sent without the busy state; the runner keeps other operations out of the pause, and
// the status line keeps its text. Only the refusal of a sine wave empties the entry.
void setDuty_Click(const PanelContext& ctx) {
    ctx.ops.run(Operations::Needs::Port, [&] {
        const Result r = setDuty(ctx.link, ctx.vars, ctx.ui.duty->text());
        if (r.kind == Result::Kind::Refused)
            refuse(ctx, r.code, ctx.ui.duty, r.code == 9 ? Refused::Empty : Refused::Keep);
        raise(r);
    });
}

} // namespace

void wire(const PanelContext& ctx) {
    static const Click clicks[] = {{"sine", sine_Click},     {"square", square_Click},
                                   {"ramp", ramp_Click},     {"outOn", outOn_Click},
                                   {"outOff", outOff_Click}, {"setDuty", setDuty_Click}};
    kx::wire(ctx, clicks);
}

} // namespace waveformOutput

} // namespace kx
