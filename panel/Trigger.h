#pragma once

#include "panel/Rows.h"

namespace kx {

// The operating mode, the trigger source and rate, and the burst count.
class Trigger {
public:
    explicit Trigger(PanelContext ctx);

    // The mode and the rate are rows (panel/Panel.h); these two are judged here.
    void TrigSourceSet_Click();
    void setBurst_Click();

    static const CommandRow TrigModeSet;
    static const SettingRow trigRateMicro, trigRateMilli, trigRateSec;

private:
    PanelContext ctx_;
};

} // namespace kx
