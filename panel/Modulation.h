#pragma once

#include "panel/Rows.h"

// Modulation: type and source, shape, modulating frequency, AM depth, FM deviation, and
// modulation off.
namespace kx::modulation {

extern const CommandRow ModTypeSet, modShapeSet, modOff;
extern const SettingRow modFreqHz, modFreqkHz, setDepth, devFMHz, devFMkHz, devFMMHz;

// Connects the group's buttons to their handlers.
void wire(const PanelContext& ctx);

} // namespace kx::modulation
