#include "panel/Sweep.h"

#include "ui_Main.h"

namespace kx {

namespace {

// A sweep end, read back into its line.
SettingRow start(const char* button, const char* unit) {
    return {.button = button,
            .setting = &settings::sweepStart,
            .unit = unit,
            .entry = &Ui::Main::startFreq,
            .shown = {&Ui::Main::funcInfo, {}, "Start Frequency: "}};
}
SettingRow stop(const char* button, const char* unit) {
    return {.button = button,
            .setting = &settings::sweepStop,
            .unit = unit,
            .entry = &Ui::Main::stopFreq,
            .shown = {&Ui::Main::funcInfo2, {}, "Stop Frequency: "}};
}

// The detail lines keep what they showed: a start frequency set first stays in view.
const Caption linearCaptions[] = {{&Ui::Main::mode, "Cont"},
                                  {&Ui::Main::funcIndicator, "Linear Sweep"}};
const Caption logCaptions[] = {{&Ui::Main::mode, "Cont"}, {&Ui::Main::funcIndicator, "Log Sweep"}};
const Caption offCaptions[] = {
    {&Ui::Main::funcIndicator, ""}, {&Ui::Main::funcInfo, ""}, {&Ui::Main::funcInfo2, ""}};

} // namespace

const CommandRow Sweep::linearSweep{
    .button = "linearSweep", .command = &commands::linearSweep, .captions = linearCaptions};
const CommandRow Sweep::logSweep{
    .button = "logSweep", .command = &commands::logSweep, .captions = logCaptions};
const CommandRow Sweep::sweepOff{
    .button = "sweepOff", .command = &commands::sweepOff, .captions = offCaptions};

const SettingRow Sweep::startSweepHz = start("startSweepHz", "Hz");
const SettingRow Sweep::startSweepkHz = start("startSweepkHz", "kHz");
const SettingRow Sweep::startSweepMHz = start("startSweepMHz", "MHz");
const SettingRow Sweep::stopSweepHz = stop("stopSweepHz", "Hz");
const SettingRow Sweep::stopSweepkHz = stop("stopSweepkHz", "kHz");
const SettingRow Sweep::stopSweepMHz = stop("stopSweepMHz", "MHz");
const SettingRow Sweep::sweepRateSec{.button = "sweepRateSec",
                                     .setting = &settings::sweepRate,
                                     .unit = "s",
                                     .entry = &Ui::Main::sweepRate};

Sweep::Sweep(PanelContext ctx) : ctx_(ctx) {
    static const Click<Sweep> clicks[] = {{linearSweep.button, &Sweep::linearSweep_Click},
                                          {logSweep.button, &Sweep::logSweep_Click},
                                          {sweepOff.button, &Sweep::sweepOff_Click},
                                          {startSweepHz.button, &Sweep::startSweepHz_Click},
                                          {startSweepkHz.button, &Sweep::startSweepkHz_Click},
                                          {startSweepMHz.button, &Sweep::startSweepMHz_Click},
                                          {stopSweepHz.button, &Sweep::stopSweepHz_Click},
                                          {stopSweepkHz.button, &Sweep::stopSweepkHz_Click},
                                          {stopSweepMHz.button, &Sweep::stopSweepMHz_Click},
                                          {sweepRateSec.button, &Sweep::sweepRateSec_Click}};
    wire<Sweep>(ctx_.ui, this, clicks);
}

void Sweep::linearSweep_Click() { run(ctx_, linearSweep); }
void Sweep::logSweep_Click() { run(ctx_, logSweep); }
void Sweep::sweepOff_Click() { run(ctx_, sweepOff); }
void Sweep::startSweepHz_Click() { run(ctx_, startSweepHz); }
void Sweep::startSweepkHz_Click() { run(ctx_, startSweepkHz); }
void Sweep::startSweepMHz_Click() { run(ctx_, startSweepMHz); }
void Sweep::stopSweepHz_Click() { run(ctx_, stopSweepHz); }
void Sweep::stopSweepkHz_Click() { run(ctx_, stopSweepkHz); }
void Sweep::stopSweepMHz_Click() { run(ctx_, stopSweepMHz); }
void Sweep::sweepRateSec_Click() { run(ctx_, sweepRateSec); }

} // namespace kx
