#include "panel/FrequencyLevels.h"

#include "ui_Main.h"

namespace kx {

namespace {

SettingRow frequency(const char* button, const char* unit) {
    return {.button = button,
            .setting = &settings::frequency,
            .unit = unit,
            .entry = &Ui::Main::setF,
            .shown = shown::frequency};
}

} // namespace

const SettingRow FrequencyLevels::freqHz = frequency("freqHz", "Hz");
const SettingRow FrequencyLevels::freqKHz = frequency("freqKHz", "kHz");
const SettingRow FrequencyLevels::freqMHz = frequency("freqMHz", "MHz");
const SettingRow FrequencyLevels::ampV{.button = "ampV",
                                       .setting = &settings::amplitude,
                                       .unit = "V",
                                       .entry = &Ui::Main::setA,
                                       .shown = shown::amplitude};
const SettingRow FrequencyLevels::offV{.button = "offV",
                                       .setting = &settings::offset,
                                       .unit = "V",
                                       .entry = &Ui::Main::setO,
                                       .shown = shown::offset};

FrequencyLevels::FrequencyLevels(PanelContext ctx) : ctx_(ctx) {
    static const Click<FrequencyLevels> clicks[] = {
        {freqHz.button, &FrequencyLevels::freqHz_Click},
        {freqKHz.button, &FrequencyLevels::freqKHz_Click},
        {freqMHz.button, &FrequencyLevels::freqMHz_Click},
        {ampV.button, &FrequencyLevels::ampV_Click},
        {offV.button, &FrequencyLevels::offV_Click}};
    wire<FrequencyLevels>(ctx_.ui, this, clicks);
}

void FrequencyLevels::freqHz_Click() { run(ctx_, freqHz); }
void FrequencyLevels::freqKHz_Click() { run(ctx_, freqKHz); }
void FrequencyLevels::freqMHz_Click() { run(ctx_, freqMHz); }
void FrequencyLevels::ampV_Click() { run(ctx_, ampV); }
void FrequencyLevels::offV_Click() { run(ctx_, offV); }

} // namespace kx
