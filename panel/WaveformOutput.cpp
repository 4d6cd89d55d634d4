#include "panel/WaveformOutput.h"

#include "app/BusyState.h"
#include "app/Operations.h"
#include "app/ShapeWidget.h"
#include "link/Exchange.h"
#include "link/LinkError.h"
#include "state/Number.h"
#include "state/Profile.h"
#include "ui_Main.h"

#include <QApplication>

namespace kx {

// The line goes out before the busy state; the choice is shown whatever the generator
// made of it.
const Lines WaveformOutput::sine{
    .button = "sine", .busy = Busy::AfterFirstLine, .waveform = &waveforms[0]};
const Lines WaveformOutput::square{
    .button = "square", .busy = Busy::AfterFirstLine, .waveform = &waveforms[1]};
const Lines WaveformOutput::ramp{
    .button = "ramp", .busy = Busy::AfterFirstLine, .waveform = &waveforms[2]};

struct WaveformOutput::OutputState {
    const char* line;
    double confirmed; // the answer to "OUT?" that confirms the state
    bool on;
};

WaveformOutput::WaveformOutput(PanelContext ctx) : ctx_(ctx) {
    wire<WaveformOutput>(ctx_.ui, this,
                         {{"sine", &WaveformOutput::sine_Click},
                          {"square", &WaveformOutput::square_Click},
                          {"ramp", &WaveformOutput::ramp_Click},
                          {"outOn", &WaveformOutput::outOn_Click},
                          {"outOff", &WaveformOutput::outOff_Click}});
}

void WaveformOutput::sine_Click() {
    run(ctx_, sine);
}
void WaveformOutput::square_Click() {
    run(ctx_, square);
}
void WaveformOutput::ramp_Click() {
    run(ctx_, ramp);
}
void WaveformOutput::outOn_Click() {
    setOutput({"OUT ON", 1, true});
}
void WaveformOutput::outOff_Click() {
    setOutput({"OUT OFF", 0, false});
}

void WaveformOutput::setOutput(const OutputState& s) {
    ctx_.ops.run(Operations::Needs::Port, [&] {
        BusyGuard busy(ctx_.busy);
        ctx_.link.processEcho(QString::fromLatin1(s.line));
        ctx_.link.processEcho(QStringLiteral("OUT?"));
        // A line end after the number does not matter.
        const auto answer = parseNumber(ctx_.link.readReceived().trimmed());
        if (!answer)
            throw noValidAnswer(QStringLiteral("OUT?"));
        // The panel follows the generator's answer, not the button pressed.
        if (*answer != s.confirmed)
            return;
        Ui::Main& ui = ctx_.ui;
        ui.outOn->setEnabled(!s.on);
        ui.outOff->setEnabled(s.on);
        ui.outLight->setFillColor(s.on ? QColor(0, 255, 0)
                                       : QApplication::palette().color(QPalette::Button));
    });
}

} // namespace kx
