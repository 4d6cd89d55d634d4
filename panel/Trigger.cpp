#include "panel/Trigger.h"

#include "app/ErrorCatalog.h"
#include "app/Operations.h"
#include "ui_Main.h"

namespace kx {

namespace {

SettingRow trigRate(const char* button, const char* unit) {
    return {.button = button,
            .setting = &settings::triggerRate,
            .unit = unit,
            .entry = &Ui::Main::trigRate};
}

const Caption modeCaptions[] = {
    {&Ui::Main::funcIndicator, ""}, {&Ui::Main::funcInfo, ""},    {&Ui::Main::funcInfo2, ""},
    {&Ui::Main::mode, "Cont", 0},   {&Ui::Main::mode, "Trig", 1}, {&Ui::Main::mode, "Gate", 2},
    {&Ui::Main::mode, "Burst", 3},
};
const Caption sourceCaptions[] = {{&Ui::Main::source, "INT", 0}, {&Ui::Main::source, "EXT", 1}};

} // namespace

const CommandRow Trigger::TrigModeSet{.button = "TrigModeSet",
                                      .command = &commands::mode,
                                      .captions = modeCaptions,
                                      .list = &Ui::Main::trigMode};

const SettingRow Trigger::trigRateMicro = trigRate("trigRateMicro", "us");
const SettingRow Trigger::trigRateMilli = trigRate("trigRateMilli", "ms");
const SettingRow Trigger::trigRateSec = trigRate("trigRateSec", "s");

Trigger::Trigger(PanelContext ctx) : ctx_(ctx) {
    static const Click<Trigger> clicks[] = {{TrigModeSet.button, &Trigger::TrigModeSet_Click},
                                            {"TrigSourceSet", &Trigger::TrigSourceSet_Click},
                                            {trigRateMicro.button, &Trigger::trigRateMicro_Click},
                                            {trigRateMilli.button, &Trigger::trigRateMilli_Click},
                                            {trigRateSec.button, &Trigger::trigRateSec_Click},
                                            {"setBurst", &Trigger::setBurst_Click}};
    wire<Trigger>(ctx_.ui, this, clicks);
}

void Trigger::TrigModeSet_Click() { run(ctx_, TrigModeSet); }
void Trigger::trigRateMicro_Click() { run(ctx_, trigRateMicro); }
void Trigger::trigRateMilli_Click() { run(ctx_, trigRateMilli); }
void Trigger::trigRateSec_Click() { run(ctx_, trigRateSec); }

// Judged by the mode the panel shows. Sent without the busy state: the runner keeps
// other operations out of the pause, and the status line keeps its text.
void Trigger::TrigSourceSet_Click() {
    ctx_.ops.run(Operations::Needs::Port, [&] {
        takeShown(ctx_);
        const int option = selectedItem(ctx_.ui.trigSource);
        const Result r = choose(ctx_.link, ctx_.vars, commands::triggerSource, option);
        if (r.kind == Result::Kind::Refused)
            return ctx_.errors.showError(r.code);
        raise(r);
        setCaptions(ctx_.ui, sourceCaptions, option);
    });
}

// Both refusals keep the entry; neither enters the busy state.
void Trigger::setBurst_Click() {
    ctx_.ops.run(Operations::Needs::Port, [&] {
        const Result r = checkBurst(ctx_.vars, ctx_.ui.burst->text());
        if (r.kind == Result::Kind::Refused)
            ctx_.errors.showError(r.code);
    });
}

} // namespace kx
