#include "panel/WaveformOutput.h"

#include "app/BusyState.h"
#include "app/Operations.h"
#include "app/ShapeWidget.h"
#include "link/Exchange.h"
#include "link/LinkError.h"
#include "state/Number.h"
#include "state/modVariables.h"
#include "ui_Main.h"

#include <QApplication>

namespace kx {

struct WaveformOutput::Waveform {
    const char* line;
    const char* shape;
    const char* picture;
};

struct WaveformOutput::OutputState {
    const char* line;
    double confirmed; // the answer to "OUT?" that confirms the state
    bool on;
};

WaveformOutput::WaveformOutput(PanelContext ctx) : ctx_(ctx) {
    Ui::Main& ui = ctx_.ui;
    QObject::connect(ui.sine, &QAbstractButton::clicked, ui.sine, [this] { sine_Click(); });
    QObject::connect(ui.square, &QAbstractButton::clicked, ui.square, [this] { square_Click(); });
    QObject::connect(ui.ramp, &QAbstractButton::clicked, ui.ramp, [this] { ramp_Click(); });
    QObject::connect(ui.outOn, &QAbstractButton::clicked, ui.outOn, [this] { outOn_Click(); });
    QObject::connect(ui.outOff, &QAbstractButton::clicked, ui.outOff, [this] { outOff_Click(); });
}

void WaveformOutput::sine_Click() {
    setWaveform({"FUNC SIN", "sine", "SINE"});
}

void WaveformOutput::square_Click() {
    setWaveform({"FUNC SQU", "square", "SQUARE"});
}

void WaveformOutput::ramp_Click() {
    // The generator calls the ramp TRI.
    setWaveform({"FUNC TRI", "ramp", "RAMP"});
}

void WaveformOutput::setWaveform(const Waveform& w) {
    ctx_.ops.run(Operations::Needs::Port, [&] {
        // The line goes out before the busy state; the runner keeps other operations
        // out of its pause. The choice is shown whatever the generator made of it.
        ctx_.link.processEcho(QString::fromLatin1(w.line));
        BusyGuard busy(ctx_.busy);
        ctx_.vars.waveShape = QString::fromLatin1(w.shape);
        showWavePicture(ctx_.ui, QString::fromLatin1(w.picture));
    });
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
            throw OperationFailed{
                QStringLiteral("The generator did not confirm the output state (no valid answer "
                               "to OUT?)")};
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
