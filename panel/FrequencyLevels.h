#pragma once

#include "panel/Rows.h"

namespace kx {

// Frequency in Hz, kHz and MHz, amplitude and offset.
struct FrequencyLevels {
    static const SettingRow freqHz, freqKHz, freqMHz, ampV, offV;
};

} // namespace kx
