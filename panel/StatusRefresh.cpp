#include "panel/StatusRefresh.h"

#include "app/BusyState.h"
#include "app/Operations.h"
#include "panel/Rows.h"
#include "panel/WaveformOutput.h"
#include "state/Profile.h"
#include "state/Status.h"
#include "ui_Main.h"

namespace kx::statusRefresh {

namespace {

struct FunctionRow {
    const char* line;
    const char* indicator;
    const char* source; // nullptr: source unchanged
};

constexpr FunctionRow sweepRows[] = {
    {"LIN ON", "Linear Sweep", nullptr},
    {"LOG ON", "Log Sweep", nullptr},
};

constexpr FunctionRow modulationRows[] = {
    {"AM INT", "AM Modulation", "INT"},
    {"AM EXT", "AM Modulation", "EXT"},
    {"FM INT", "FM Modulation", "INT"},
    {"FM EXT", "FM Modulation", "EXT"},
};

const FunctionRow* find(std::span<const FunctionRow> rows, const QString& line) {
    for (const FunctionRow& row : rows) {
        if (line == QLatin1String(row.line))
            return &row;
    }
    return nullptr;
}

} // namespace

void update(const PanelContext& ctx) {
    BusyGuard busy(ctx.busy);
    const Status s = readStatus(ctx.link, ctx.vars);
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
        const FunctionRow* sweep = find(sweepRows, *s.sweep);
        ui.funcIndicator->setText(QString::fromLatin1(sweep ? sweep->indicator : ""));
    }
    if (s.modulation) {
        if (const FunctionRow* modulation = find(modulationRows, *s.modulation)) {
            ui.funcIndicator->setText(QString::fromLatin1(modulation->indicator));
            ui.source->setText(QString::fromLatin1(modulation->source));
        }
    }
    if (s.output)
        showOutput(ui, *s.output);
    busy.release();
    raise(s.result);
}

namespace {

void updateDisplay_Click(const PanelContext& ctx) {
    ctx.ops.run(Operations::Needs::Port, [&] { update(ctx); });
}

} // namespace

void wire(const PanelContext& ctx) {
    static const Click clicks[] = {{"updateDisplay", updateDisplay_Click}};
    kx::wire(ctx, clicks);
}

} // namespace kx::statusRefresh
