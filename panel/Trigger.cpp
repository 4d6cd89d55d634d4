#include "panel/Trigger.h"

#include "app/ErrorCatalog.h"
#include "app/Operations.h"
#include "state/Number.h"
#include "state/modVariables.h"
#include "ui_Main.h"

namespace kx {

namespace {

// The internal trigger's period in one unit: 1 us to 10 s.
constexpr Setting trigRate(const char* button, double factor, const char* line) {
    return {.button = button,
            .entry = &Ui::Main::trigRate,
            .factor = factor,
            .limits = {1e-6, 10},
            .code = 7,
            .refused = Refused::Empty,
            .line = line};
}

// A burst of this many cycles, at an output frequency up to this.
constexpr double fewestCycles = 1;
constexpr double mostCycles = 65535;
constexpr double highestBurstFrequencyHz = 1'000'000;

} // namespace

// Modulation and sweep off whatever the list shows; then the chosen mode. The trigger
// source stays as the generator holds it.
const Lines Trigger::TrigModeSet{.button = "TrigModeSet",
                                 .busy = Busy::Throughout,
                                 .lines = {"MODUL OFF", "SWE OFF"},
                                 .captions = {{&Ui::Main::funcIndicator, ""},
                                              {&Ui::Main::funcInfo, ""},
                                              {&Ui::Main::funcInfo2, ""}},
                                 .list = &Ui::Main::trigMode,
                                 .choices = {
                                     {{"MODE CONT"}, {{&Ui::Main::mode, "Cont"}}},
                                     {{"MODE TRIG"}, {{&Ui::Main::mode, "Trig"}}},
                                     {{"MODE GATE"}, {{&Ui::Main::mode, "Gate"}}},
                                     {{"MODE BURS"}, {{&Ui::Main::mode, "Burst"}}},
                                 }};

// Judged by the mode the panel shows, in any letter case ("CONT" from the status
// refresh). Sent without the busy state: the runner keeps other operations out of the
// pause, and the status line keeps its text.
const Lines Trigger::TrigSourceSet{.button = "TrigSourceSet",
                                   .busy = Busy::Never,
                                   .list = &Ui::Main::trigSource,
                                   .choices = {{{"TRIG INT"}, {{&Ui::Main::source, "INT"}}},
                                               {{"TRIG EXT"}, {{&Ui::Main::source, "EXT"}}}},
                                   .guard = {&Ui::Main::mode, "cont", 11}};

const Setting Trigger::trigRateMicro = trigRate("trigRateMicro", 1e-6, "TRIG %1US");
const Setting Trigger::trigRateMilli = trigRate("trigRateMilli", 1e-3, "TRIG %1MS");
const Setting Trigger::trigRateSec = trigRate("trigRateSec", 1, "TRIG %1S");

Trigger::Trigger(PanelContext ctx) : ctx_(ctx) {
    wire<Trigger>(ctx_.ui, this,
                  {{"TrigModeSet", &Trigger::TrigModeSet_Click},
                   {"TrigSourceSet", &Trigger::TrigSourceSet_Click},
                   {"trigRateMicro", &Trigger::trigRateMicro_Click},
                   {"trigRateMilli", &Trigger::trigRateMilli_Click},
                   {"trigRateSec", &Trigger::trigRateSec_Click},
                   {"setBurst", &Trigger::setBurst_Click}});
}

void Trigger::TrigModeSet_Click() {
    run(ctx_, TrigModeSet);
}
void Trigger::TrigSourceSet_Click() {
    run(ctx_, TrigSourceSet);
}
void Trigger::trigRateMicro_Click() {
    run(ctx_, trigRateMicro);
}
void Trigger::trigRateMilli_Click() {
    run(ctx_, trigRateMilli);
}
void Trigger::trigRateSec_Click() {
    run(ctx_, trigRateSec);
}

// Only checked: the generator takes no line for a count. The count comes first; the
// output frequency as last read back by "FREQ?" follows, and waits until one is known.
// Both refusals keep the entry; neither enters the busy state.
void Trigger::setBurst_Click() {
    ctx_.ops.run(Operations::Needs::Port, [&] {
        const auto cycles = parseNumber(ctx_.ui.burst->text());
        if (!cycles || *cycles > mostCycles || *cycles < fewestCycles) {
            ctx_.errors.showError(7);
            return;
        }
        const std::optional<double>& hertz = ctx_.vars.outputFrequencyHz;
        if (hertz && *hertz > highestBurstFrequencyHz)
            ctx_.errors.showError(12);
    });
}

} // namespace kx
