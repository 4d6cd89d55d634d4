#pragma once

#include "panel/Rows.h"

// The sweep: linear or log, start and stop frequency, rate, and sweep off.
namespace kx::sweep {

extern const CommandRow linearSweep, logSweep, sweepOff;
extern const SettingRow startSweepHz, startSweepkHz, startSweepMHz;
extern const SettingRow stopSweepHz, stopSweepkHz, stopSweepMHz, sweepRateSec;

// Connects the group's buttons to their handlers.
void wire(const PanelContext& ctx);

} // namespace kx::sweep
