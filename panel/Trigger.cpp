#include "panel/Groups.h"

#include "kit/MessageBoxes.h"
#include "kit/Operations.h"
#include "ui_Main.h"

namespace kx::trigger {

namespace {

const Caption modeCaptions[] = {
    {&Ui::Main::funcIndicator, ""}, {&Ui::Main::funcInfo, ""},    {&Ui::Main::funcInfo2, ""},
    {&Ui::Main::mode, "Cont", 0},   {&Ui::Main::mode, "Trig", 1}, {&Ui::Main::mode, "Gate", 2},
    {&Ui::Main::mode, "Burst", 3},
};
const Caption sourceCaptions[] = {{&Ui::Main::source, "INT", 0}, {&Ui::Main::source, "EXT", 1}};

void TrigModeSet_Click(const PanelContext& ctx) { run(ctx, TrigModeSet); }
void trigRateMicro_Click(const PanelContext& ctx) { run(ctx, trigRateMicro); }
void trigRateMilli_Click(const PanelContext& ctx) { run(ctx, trigRateMilli); }
void trigRateSec_Click(const PanelContext& ctx) { run(ctx, trigRateSec); }

// Judged by the mode the panel shows. Sent without the busy state: the runner keeps
// other operations out of the pause, and the status line keeps its text.
void TrigSourceSet_Click(const PanelContext& ctx) {
    ctx.ops.run(Operations::Needs::Port, [&] {
        takeShown(ctx);
        const int option = selectedItem(ctx.ui.trigSource);
        const Result r = choose(ctx.link, ctx.vars, commands::triggerSource, option);
        if (r.kind == Result::Kind::Refused)
            return showError(ctx.boxes, r.code);
        raise(r);
        setCaptions(ctx.ui, sourceCaptions, option);
    });
}

// Both refusals keep the entry; neither enters the busy state.
void setBurst_Click(const PanelContext& ctx) {
    ctx.ops.run(Operations::Needs::Port, [&] {
        const Result r = checkBurst(ctx.vars, ctx.ui.burst->text());
        if (r.kind == Result::Kind::Refused)
            showError(ctx.boxes, r.code);
    });
}

} // namespace

const CommandRow TrigModeSet{.button = "TrigModeSet",
                             .command = &commands::mode,
                             .captions = modeCaptions,
                             .list = &Ui::Main::trigMode};

const SettingRow trigRateMicro{.button = "trigRateMicro",
                               .setting = &settings::triggerRate,
                               .unit = "us",
                               .entry = &Ui::Main::trigRate};
const SettingRow trigRateMilli = inUnit(trigRateMicro, "trigRateMilli", "ms");
const SettingRow trigRateSec = inUnit(trigRateMicro, "trigRateSec", "s");

void wire(const PanelContext& ctx) {
    static const Click clicks[] = {
        {TrigModeSet.button, TrigModeSet_Click},     {trigRateMicro.button, trigRateMicro_Click},
        {trigRateMilli.button, trigRateMilli_Click}, {trigRateSec.button, trigRateSec_Click},
        {"TrigSourceSet", TrigSourceSet_Click},      {"setBurst", setBurst_Click}};
    kx::wire(ctx, clicks);
}

} // namespace kx::trigger
