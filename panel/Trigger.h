#pragma once

#include "panel/Rows.h"

namespace kx {

// The operating mode, the trigger source and rate, and the burst count.
class Trigger {
public:
    explicit Trigger(PanelContext ctx);

    void TrigModeSet_Click();
    void TrigSourceSet_Click();
    void trigRateMicro_Click();
    void trigRateMilli_Click();
    void trigRateSec_Click();
    void setBurst_Click();

    static const CommandRow TrigModeSet;
    static const SettingRow trigRateMicro, trigRateMilli, trigRateSec;

private:
    PanelContext ctx_;
};

} // namespace kx
