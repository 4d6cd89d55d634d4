#pragma once

#include "panel/Rows.h"

// Frequency in Hz, kHz and MHz, amplitude and offset.
namespace kx::frequencyLevels {

extern const SettingRow freqHz, freqKHz, freqMHz, ampV, offV;

// Connects the group's buttons to their handlers.
void wire(const PanelContext& ctx);

} // namespace kx::frequencyLevels
