#include "panel/FrequencyLevels.h"

#include "ui_Main.h"

namespace kx {

const SettingRow FrequencyLevels::freqHz{.button = "freqHz",
                                         .setting = &settings::frequencyHz,
                                         .entry = &Ui::Main::setF,
                                         .shown = shown::frequency};
const SettingRow FrequencyLevels::freqKHz{.button = "freqKHz",
                                          .setting = &settings::frequencyKHz,
                                          .entry = &Ui::Main::setF,
                                          .shown = shown::frequency};
const SettingRow FrequencyLevels::freqMHz{.button = "freqMHz",
                                          .setting = &settings::frequencyMHz,
                                          .entry = &Ui::Main::setF,
                                          .shown = shown::frequency};
const SettingRow FrequencyLevels::ampV{.button = "ampV",
                                       .setting = &settings::amplitude,
                                       .entry = &Ui::Main::setA,
                                       .shown = shown::amplitude};
const SettingRow FrequencyLevels::offV{.button = "offV",
                                       .setting = &settings::offset,
                                       .entry = &Ui::Main::setO,
                                       .shown = shown::offset};

} // namespace kx
