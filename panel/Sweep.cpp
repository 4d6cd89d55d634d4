#include "panel/Sweep.h"

#include "ui_Main.h"

namespace kx {

namespace {

// A sweep end in one unit: held to the generator's range, read back into its line.
constexpr Setting sweepEnd(const char* button, QLineEdit* Ui::Main::*entry, double factor,
                           const char* line, const char* query, Text display, const char* prefix) {
    return {.button = button,
            .entry = entry,
            .factor = factor,
            .limits = frequencyLimits,
            .code = 5,
            .refused = Refused::Empty,
            .line = line,
            .readBack = {query, Reading::FrequencyCaption, display, prefix}};
}
constexpr Setting start(const char* button, double factor, const char* line) {
    return sweepEnd(button, &Ui::Main::startFreq, factor, line, "SWSTA?", &Ui::Main::funcInfo,
                    "Start Frequency: ");
}
constexpr Setting stop(const char* button, double factor, const char* line) {
    return sweepEnd(button, &Ui::Main::stopFreq, factor, line, "SWSTO?", &Ui::Main::funcInfo2,
                    "Stop Frequency: ");
}

} // namespace

// Continuous mode and modulation off before the sweep is chosen and switched on. The
// detail lines keep what they showed: a start frequency set first stays in view.
const Lines Sweep::linearSweep{
    .button = "linearSweep",
    .busy = Busy::Throughout,
    .lines = {"MODE CONT", "MODUL OFF", "SWE LIN", "SWE ON"},
    .captions = {{&Ui::Main::mode, "Cont"}, {&Ui::Main::funcIndicator, "Linear Sweep"}}};
const Lines Sweep::logSweep{
    .button = "logSweep",
    .busy = Busy::Throughout,
    .lines = {"MODE CONT", "MODUL OFF", "SWE LOG", "SWE ON"},
    .captions = {{&Ui::Main::mode, "Cont"}, {&Ui::Main::funcIndicator, "Log Sweep"}}};
const Lines Sweep::sweepOff{.button = "sweepOff",
                            .busy = Busy::Throughout,
                            .lines = {"SWE OFF"},
                            .captions = {{&Ui::Main::funcIndicator, ""},
                                         {&Ui::Main::funcInfo, ""},
                                         {&Ui::Main::funcInfo2, ""}}};

// Start and stop are each held to the generator's range alone, never to each other. The
// generator takes the stop in kHz as "kHZ", the start as "KHZ".
const Setting Sweep::startSweepHz = start("startSweepHz", 1, "SWSTA %1HZ");
const Setting Sweep::startSweepkHz = start("startSweepkHz", 1e3, "SWSTA %1KHZ");
const Setting Sweep::startSweepMHz = start("startSweepMHz", 1e6, "SWSTA %1MHZ");
const Setting Sweep::stopSweepHz = stop("stopSweepHz", 1, "SWSTO %1HZ");
const Setting Sweep::stopSweepkHz = stop("stopSweepkHz", 1e3, "SWSTO %1kHZ");
const Setting Sweep::stopSweepMHz = stop("stopSweepMHz", 1e6, "SWSTO %1MHZ");
const Setting Sweep::sweepRateSec{.button = "sweepRateSec",
                                  .entry = &Ui::Main::sweepRate,
                                  .factor = 1,
                                  .limits = {0.01, 100},
                                  .code = 7,
                                  .refused = Refused::Empty,
                                  .line = "SWRA %1S"};

Sweep::Sweep(PanelContext ctx) : ctx_(ctx) {
    wire<Sweep>(ctx_.ui, this,
                {{"linearSweep", &Sweep::linearSweep_Click},
                 {"logSweep", &Sweep::logSweep_Click},
                 {"sweepOff", &Sweep::sweepOff_Click},
                 {"startSweepHz", &Sweep::startSweepHz_Click},
                 {"startSweepkHz", &Sweep::startSweepkHz_Click},
                 {"startSweepMHz", &Sweep::startSweepMHz_Click},
                 {"stopSweepHz", &Sweep::stopSweepHz_Click},
                 {"stopSweepkHz", &Sweep::stopSweepkHz_Click},
                 {"stopSweepMHz", &Sweep::stopSweepMHz_Click},
                 {"sweepRateSec", &Sweep::sweepRateSec_Click}});
}

void Sweep::linearSweep_Click() {
    run(ctx_, linearSweep);
}
void Sweep::logSweep_Click() {
    run(ctx_, logSweep);
}
void Sweep::sweepOff_Click() {
    run(ctx_, sweepOff);
}
void Sweep::startSweepHz_Click() {
    run(ctx_, startSweepHz);
}
void Sweep::startSweepkHz_Click() {
    run(ctx_, startSweepkHz);
}
void Sweep::startSweepMHz_Click() {
    run(ctx_, startSweepMHz);
}
void Sweep::stopSweepHz_Click() {
    run(ctx_, stopSweepHz);
}
void Sweep::stopSweepkHz_Click() {
    run(ctx_, stopSweepkHz);
}
void Sweep::stopSweepMHz_Click() {
    run(ctx_, stopSweepMHz);
}
void Sweep::sweepRateSec_Click() {
    run(ctx_, sweepRateSec);
}

} // namespace kx
