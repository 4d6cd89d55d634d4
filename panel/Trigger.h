#pragma once

#include "panel/Rows.h"

// The operating mode, the trigger source and rate, and the burst count.
namespace kx::trigger {

extern const CommandRow TrigModeSet;
extern const SettingRow trigRateMicro, trigRateMilli, trigRateSec;

// Connects the group's buttons to their handlers.
void wire(const PanelContext& ctx);

} // namespace kx::trigger
