#include "panel/Groups.h"

#include "ui_Main.h"

namespace kx::sweep {

namespace {

// The detail lines keep what they showed: a start frequency set first stays in view.
const Caption linearCaptions[] = {{&Ui::Main::mode, "Cont"},
                                  {&Ui::Main::funcIndicator, "Linear Sweep"}};
const Caption logCaptions[] = {{&Ui::Main::mode, "Cont"}, {&Ui::Main::funcIndicator, "Log Sweep"}};
const Caption offCaptions[] = {
    {&Ui::Main::funcIndicator, ""}, {&Ui::Main::funcInfo, ""}, {&Ui::Main::funcInfo2, ""}};

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

const CommandRow linearSweep{
    .button = "linearSweep", .command = &commands::linearSweep, .captions = linearCaptions};
const CommandRow logSweep{
    .button = "logSweep", .command = &commands::logSweep, .captions = logCaptions};
const CommandRow sweepOff{
    .button = "sweepOff", .command = &commands::sweepOff, .captions = offCaptions};

// A sweep end, read back into its line.
const SettingRow startSweepHz{.button = "startSweepHz",
                              .setting = &settings::sweepStart,
                              .unit = "Hz",
                              .entry = &Ui::Main::startFreq,
                              .shown = {&Ui::Main::funcInfo, {}, "Start Frequency: "}};
const SettingRow startSweepkHz = inUnit(startSweepHz, "startSweepkHz", "kHz");
const SettingRow startSweepMHz = inUnit(startSweepHz, "startSweepMHz", "MHz");
const SettingRow stopSweepHz{.button = "stopSweepHz",
                             .setting = &settings::sweepStop,
                             .unit = "Hz",
                             .entry = &Ui::Main::stopFreq,
                             .shown = {&Ui::Main::funcInfo2, {}, "Stop Frequency: "}};
const SettingRow stopSweepkHz = inUnit(stopSweepHz, "stopSweepkHz", "kHz");
const SettingRow stopSweepMHz = inUnit(stopSweepHz, "stopSweepMHz", "MHz");
const SettingRow sweepRateSec{.button = "sweepRateSec",
                              .setting = &settings::sweepRate,
                              .unit = "s",
                              .entry = &Ui::Main::sweepRate};

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
