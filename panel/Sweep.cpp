#include "panel/Sweep.h"

#include "ui_Main.h"

namespace kx {

namespace {

// A sweep end, read back into its line.
SettingRow start(const char* button, const Setting& setting) {
    return {.button = button,
            .setting = &setting,
            .entry = &Ui::Main::startFreq,
            .shown = {&Ui::Main::funcInfo, {}, "Start Frequency: "}};
}
SettingRow stop(const char* button, const Setting& setting) {
    return {.button = button,
            .setting = &setting,
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

const SettingRow Sweep::startSweepHz = start("startSweepHz", settings::sweepStartHz);
const SettingRow Sweep::startSweepkHz = start("startSweepkHz", settings::sweepStartKHz);
const SettingRow Sweep::startSweepMHz = start("startSweepMHz", settings::sweepStartMHz);
const SettingRow Sweep::stopSweepHz = stop("stopSweepHz", settings::sweepStopHz);
const SettingRow Sweep::stopSweepkHz = stop("stopSweepkHz", settings::sweepStopKHz);
const SettingRow Sweep::stopSweepMHz = stop("stopSweepMHz", settings::sweepStopMHz);
const SettingRow Sweep::sweepRateSec{
    .button = "sweepRateSec", .setting = &settings::sweepRate, .entry = &Ui::Main::sweepRate};

} // namespace kx
