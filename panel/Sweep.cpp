#include "panel/Sweep.h"

#include "ui_Main.h"

namespace kx::sweep {

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

const CommandRow linearSweep{
    .button = "linearSweep", .command = &commands::linearSweep, .captions = linearCaptions};
const CommandRow logSweep{
    .button = "logSweep", .command = &commands::logSweep, .captions = logCaptions};
const CommandRow sweepOff{
    .button = "sweepOff", .command = &commands::sweepOff, .captions = offCaptions};

const SettingRow startSweepHz = start("startSweepHz", "Hz");
const SettingRow startSweepkHz = start("startSweepkHz", "kHz");
const SettingRow startSweepMHz = start("startSweepMHz", "MHz");
const SettingRow stopSweepHz = stop("stopSweepHz", "Hz");
const SettingRow stopSweepkHz = stop("stopSweepkHz", "kHz");
const SettingRow stopSweepMHz = stop("stopSweepMHz", "MHz");
const SettingRow sweepRateSec{.button = "sweepRateSec",
                              .setting = &settings::sweepRate,
                              .unit = "s",
                              .entry = &Ui::Main::sweepRate};

namespace {

void linearSweep_Click(const PanelContext& ctx) { run(ctx, linearSweep); }
void logSweep_Click(const PanelContext& ctx) { run(ctx, logSweep); }
void sweepOff_Click(const PanelContext& ctx) { run(ctx, sweepOff); }
void startSweepHz_Click(const PanelContext& ctx) { run(ctx, startSweepHz); }
void startSweepkHz_Click(const PanelContext& ctx) { run(ctx, startSweepkHz); }
void startSweepMHz_Click(const PanelContext& ctx) { run(ctx, startSweepMHz); }
void stopSweepHz_Click(const PanelContext& ctx) { run(ctx, stopSweepHz); }
void stopSweepkHz_Click(const PanelContext& ctx) { run(ctx, stopSweepkHz); }
void stopSweepMHz_Click(const PanelContext& ctx) { run(ctx, stopSweepMHz); }
void sweepRateSec_Click(const PanelContext& ctx) { run(ctx, sweepRateSec); }

} // namespace

void wire(const PanelContext& ctx) {
    static const Click clicks[] = {
        {linearSweep.button, linearSweep_Click},     {logSweep.button, logSweep_Click},
        {sweepOff.button, sweepOff_Click},           {startSweepHz.button, startSweepHz_Click},
        {startSweepkHz.button, startSweepkHz_Click}, {startSweepMHz.button, startSweepMHz_Click},
        {stopSweepHz.button, stopSweepHz_Click},     {stopSweepkHz.button, stopSweepkHz_Click},
        {stopSweepMHz.button, stopSweepMHz_Click},   {sweepRateSec.button, sweepRateSec_Click}};
    kx::wire(ctx, clicks);
}

} // namespace kx::sweep
