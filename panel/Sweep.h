#pragma once

#include "panel/Rows.h"

namespace kx {

// The sweep: linear or log, start and stop frequency, rate, and sweep off.
class Sweep {
public:
    explicit Sweep(PanelContext ctx);

    void linearSweep_Click();
    void logSweep_Click();
    void sweepOff_Click();
    void startSweepHz_Click();
    void startSweepkHz_Click();
    void startSweepMHz_Click();
    void stopSweepHz_Click();
    void stopSweepkHz_Click();
    void stopSweepMHz_Click();
    void sweepRateSec_Click();

    static const CommandRow linearSweep, logSweep, sweepOff;
    static const SettingRow startSweepHz, startSweepkHz, startSweepMHz;
    static const SettingRow stopSweepHz, stopSweepkHz, stopSweepMHz;
    static const SettingRow sweepRateSec;

private:
    PanelContext ctx_;
};

} // namespace kx
