#include "panel/Groups.h"

#include "ui_Main.h"

namespace kx::frequencyLevels {

namespace {

void freqHz_Click(const PanelContext& ctx) { run(ctx, freqHz); }
void freqKHz_Click(const PanelContext& ctx) { run(ctx, freqKHz); }
void freqMHz_Click(const PanelContext& ctx) { run(ctx, freqMHz); }
void ampV_Click(const PanelContext& ctx) { run(ctx, ampV); }
void offV_Click(const PanelContext& ctx) { run(ctx, offV); }

} // namespace

const SettingRow freqHz{.button = "freqHz",
                        .setting = &settings::frequency,
                        .unit = "Hz",
                        .entry = &Ui::Main::setF,
                        .shown = shown::frequency};
const SettingRow freqKHz = inUnit(freqHz, "freqKHz", "kHz");
const SettingRow freqMHz = inUnit(freqHz, "freqMHz", "MHz");
const SettingRow ampV{.button = "ampV",
                      .setting = &settings::amplitude,
                      .unit = "V",
                      .entry = &Ui::Main::setA,
                      .shown = shown::amplitude};
const SettingRow offV{.button = "offV",
                      .setting = &settings::offset,
                      .unit = "V",
                      .entry = &Ui::Main::setO,
                      .shown = shown::offset};

void wire(const PanelContext& ctx) {
    static const Click clicks[] = {{freqHz.button, freqHz_Click},
                                   {freqKHz.button, freqKHz_Click},
                                   {freqMHz.button, freqMHz_Click},
                                   {ampV.button, ampV_Click},
                                   {offV.button, offV_Click}};
    kx::wire(ctx, clicks);
}

} // namespace kx::frequencyLevels
