#pragma once

#include "panel/Rows.h"

namespace kx {

// The sweep: linear or log, start and stop frequency, rate, and sweep off.
struct Sweep {
    static const CommandRow linearSweep, logSweep, sweepOff;
    static const SettingRow startSweepHz, startSweepkHz, startSweepMHz;
    static const SettingRow stopSweepHz, stopSweepkHz, stopSweepMHz;
    static const SettingRow sweepRateSec;
};

} // namespace kx
