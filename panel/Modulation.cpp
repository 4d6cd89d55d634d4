#include "panel/Modulation.h"

#include "ui_Main.h"

namespace kx {

namespace {

SettingRow modFrequency(const char* button, const char* unit) {
    return {.button = button,
            .setting = &settings::modulationFrequency,
            .unit = unit,
            .entry = &Ui::Main::modFreq,
            .shown = {&Ui::Main::funcInfo2, {}, "Mod. Frequency: "}};
}

SettingRow deviation(const char* button, const char* unit) {
    return {
        .button = button, .setting = &settings::deviation, .unit = unit, .entry = &Ui::Main::devFM};
}

// The generator is in continuous mode now, and so is the panel.
const Caption typeCaptions[] = {
    {&Ui::Main::mode, "Cont"},
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
    {&Ui::Main::source, "EXT", 3},
};
// The list holds the connected model's shapes in the command's order.
const Caption shapeCaptions[] = {
    {&Ui::Main::funcInfo, "Mod. Shape: Sine", 0},
    {&Ui::Main::funcInfo, "Mod. Shape: Square", 1},
    {&Ui::Main::funcInfo, "Mod. Shape: Triangle", 2},
};
const Caption offCaptions[] = {{&Ui::Main::funcIndicator, ""},
                               {&Ui::Main::funcInfo, ""},
                               {&Ui::Main::funcInfo2, ""},
                               {&Ui::Main::source, ""}};

} // namespace

const CommandRow Modulation::ModTypeSet{.button = "ModTypeSet",
                                        .command = &commands::modulation,
                                        .captions = typeCaptions,
                                        .list = &Ui::Main::modType};
const CommandRow Modulation::modShapeSet{.button = "modShapeSet",
                                         .command = &commands::modulationShape,
                                         .captions = shapeCaptions,
                                         .list = &Ui::Main::modShape};
const CommandRow Modulation::modOff{
    .button = "modOff", .command = &commands::modulationOff, .captions = offCaptions};

const SettingRow Modulation::modFreqHz = modFrequency("modFreqHz", "Hz");
const SettingRow Modulation::modFreqkHz = modFrequency("modFreqkHz", "kHz");
// Both refusals keep the entry.
const SettingRow Modulation::setDepth{.button = "setDepth",
                                      .setting = &settings::depth,
                                      .unit = "%",
                                      .entry = &Ui::Main::depthAM,
                                      .refused = Refused::Keep};
const SettingRow Modulation::devFMHz = deviation("devFMHz", "Hz");
const SettingRow Modulation::devFMkHz = deviation("devFMkHz", "kHz");
const SettingRow Modulation::devFMMHz = deviation("devFMMHz", "MHz");

Modulation::Modulation(PanelContext ctx) : ctx_(ctx) {
    static const Click<Modulation> clicks[] = {{ModTypeSet.button, &Modulation::ModTypeSet_Click},
                                               {modShapeSet.button, &Modulation::modShapeSet_Click},
                                               {modFreqHz.button, &Modulation::modFreqHz_Click},
                                               {modFreqkHz.button, &Modulation::modFreqkHz_Click},
                                               {setDepth.button, &Modulation::setDepth_Click},
                                               {devFMHz.button, &Modulation::devFMHz_Click},
                                               {devFMkHz.button, &Modulation::devFMkHz_Click},
                                               {devFMMHz.button, &Modulation::devFMMHz_Click},
                                               {modOff.button, &Modulation::modOff_Click}};
    wire<Modulation>(ctx_.ui, this, clicks);
}

void Modulation::ModTypeSet_Click() { run(ctx_, ModTypeSet); }
void Modulation::modShapeSet_Click() { run(ctx_, modShapeSet); }
void Modulation::modFreqHz_Click() { run(ctx_, modFreqHz); }
void Modulation::modFreqkHz_Click() { run(ctx_, modFreqkHz); }
void Modulation::setDepth_Click() { run(ctx_, setDepth); }
void Modulation::devFMHz_Click() { run(ctx_, devFMHz); }
void Modulation::devFMkHz_Click() { run(ctx_, devFMkHz); }
void Modulation::devFMMHz_Click() { run(ctx_, devFMMHz); }
void Modulation::modOff_Click() { run(ctx_, modOff); }

} // namespace kx
