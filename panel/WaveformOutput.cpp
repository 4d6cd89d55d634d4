#include "panel/WaveformOutput.h"

#include "app/BusyState.h"
#include "app/Operations.h"
#include "app/ShapeWidget.h"
#include "state/Profile.h"
#include "ui_Main.h"

#include <QApplication>

#include <optional>

namespace kx {

WaveformOutput::WaveformOutput(PanelContext ctx) : ctx_(ctx) {
    static const Click<WaveformOutput> clicks[] = {{"sine", &WaveformOutput::sine_Click},
                                                   {"square", &WaveformOutput::square_Click},
                                                   {"ramp", &WaveformOutput::ramp_Click},
                                                   {"outOn", &WaveformOutput::outOn_Click},
                                                   {"outOff", &WaveformOutput::outOff_Click}};
    wire<WaveformOutput>(ctx_.ui, this, clicks);
}

void WaveformOutput::sine_Click() { select(waveforms[0]); }
void WaveformOutput::square_Click() { select(waveforms[1]); }
void WaveformOutput::ramp_Click() { select(waveforms[2]); }
void WaveformOutput::outOn_Click() { setOutput(true); }
void WaveformOutput::outOff_Click() { setOutput(false); }

// The line goes out before the busy state (the runner keeps other operations out of
// its pause meanwhile); the choice is shown whatever the generator made of it, and the
// output frequency as the generator now has it.
void WaveformOutput::select(const Waveform& waveform) {
    ctx_.ops.run(Operations::Needs::Port, [&] {
        std::optional<BusyGuard> busy;
        const Result r = selectWaveform(ctx_.link, ctx_.vars, waveform, [&] {
            busy.emplace(ctx_.busy);
            showWavePicture(ctx_.ui, QString::fromLatin1(waveform.picture));
        });
        if (r.kind == Result::Kind::Done)
            show(ctx_.ui, shown::frequency, r.answer);
        busy.reset();
        raise(r);
    });
}

// The panel follows the generator's answer, not the button pressed.
void WaveformOutput::setOutput(bool on) {
    ctx_.ops.run(Operations::Needs::Port, [&] {
        BusyGuard busy(ctx_.busy);
        const Result r = switchOutput(ctx_.link, on);
        raise(r);
        if (r.answer.value == (on ? QLatin1String("1") : QLatin1String("0")))
            showOutput(ctx_.ui, on);
    });
}

void showOutput(Ui::Main& ui, bool on) {
    ui.outOn->setEnabled(!on);
    ui.outOff->setEnabled(on);
    ui.outLight->setFillColor(on ? QColor(0, 255, 0)
                                 : QApplication::palette().color(QPalette::Button));
}

} // namespace kx
