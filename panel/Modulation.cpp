#include "panel/Groups.h"

#include "ui_Main.h"

namespace kx::modulation {

namespace {

// The generator is in continuous mode now, and so is the panel.
const Caption typeCaptions[] = {{&Ui::Main::mode, "Cont"},
                                {&Ui::Main::funcIndicator, ""},
                                {&Ui::Main::funcInfo, ""},
                                {&Ui::Main::funcInfo2, ""},
                                {&Ui::Main::funcIndicator, "AM Modulation", 0},
                                {&Ui::Main::source, "INT", 0},
                                {&Ui::Main::funcIndicator, "AM Modulation", 1},
                                {&Ui::Main::source, "EXT", 1},
                                {&Ui::Main::funcIndicator, "FM Modulation", 2},
                                {&Ui::Main::source, "INT", 2},
                                {&Ui::Main::funcIndicator, "FM Modulation", 3},
                                {&Ui::Main::source, "EXT", 3}};
// The list holds the connected model's shapes in the command's order.
const Caption shapeCaptions[] = {{&Ui::Main::funcInfo, "Mod. Shape: Sine", 0},
                                 {&Ui::Main::funcInfo, "Mod. Shape: Square", 1},
                                 {&Ui::Main::funcInfo, "Mod. Shape: Triangle", 2}};
const Caption offCaptions[] = {{&Ui::Main::funcIndicator, ""},
                               {&Ui::Main::funcInfo, ""},
                               {&Ui::Main::funcInfo2, ""},
                               {&Ui::Main::source, ""}};

void ModTypeSet_Click(const PanelContext& ctx) { run(ctx, ModTypeSet); }
void modShapeSet_Click(const PanelContext& ctx) { run(ctx, modShapeSet); }
void modFreqHz_Click(const PanelContext& ctx) { run(ctx, modFreqHz); }
void modFreqkHz_Click(const PanelContext& ctx) { run(ctx, modFreqkHz); }
void setDepth_Click(const PanelContext& ctx) { run(ctx, setDepth); }
void devFMHz_Click(const PanelContext& ctx) { run(ctx, devFMHz); }
void devFMkHz_Click(const PanelContext& ctx) { run(ctx, devFMkHz); }
void devFMMHz_Click(const PanelContext& ctx) { run(ctx, devFMMHz); }
void modOff_Click(const PanelContext& ctx) { run(ctx, modOff); }

} // namespace

const CommandRow ModTypeSet{.button = "ModTypeSet",
                            .command = &commands::modulation,
                            .captions = typeCaptions,
                            .list = &Ui::Main::modType};
const CommandRow modShapeSet{.button = "modShapeSet",
                             .command = &commands::modulationShape,
                             .captions = shapeCaptions,
                             .list = &Ui::Main::modShape};
const CommandRow modOff{
    .button = "modOff", .command = &commands::modulationOff, .captions = offCaptions};

const SettingRow modFreqHz{.button = "modFreqHz",
                           .setting = &settings::modulationFrequency,
                           .unit = "Hz",
                           .entry = &Ui::Main::modFreq,
                           .shown = {&Ui::Main::funcInfo2, {}, "Mod. Frequency: "}};
const SettingRow modFreqkHz = inUnit(modFreqHz, "modFreqkHz", "kHz");
// Both refusals keep the entry.
const SettingRow setDepth{.button = "setDepth",
                          .setting = &settings::depth,
                          .unit = "%",
                          .entry = &Ui::Main::depthAM,
                          .refused = Refused::Keep};
const SettingRow devFMHz{
    .button = "devFMHz", .setting = &settings::deviation, .unit = "Hz", .entry = &Ui::Main::devFM};
const SettingRow devFMkHz = inUnit(devFMHz, "devFMkHz", "kHz");
const SettingRow devFMMHz = inUnit(devFMHz, "devFMMHz", "MHz");

void wire(const PanelContext& ctx) {
    static const Click clicks[] = {
        {ModTypeSet.button, ModTypeSet_Click}, {modShapeSet.button, modShapeSet_Click},
        {modFreqHz.button, modFreqHz_Click},   {modFreqkHz.button, modFreqkHz_Click},
        {setDepth.button, setDepth_Click},     {devFMHz.button, devFMHz_Click},
        {devFMkHz.button, devFMkHz_Click},     {devFMMHz.button, devFMMHz_Click},
        {modOff.button, modOff_Click}};
    kx::wire(ctx, clicks);
}

} // namespace kx::modulation
