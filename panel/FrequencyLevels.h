#pragma once

#include "panel/Rows.h"

namespace kx {

// Frequency in Hz, kHz and MHz, amplitude and offset.
class FrequencyLevels {
public:
    explicit FrequencyLevels(PanelContext ctx);

    void freqHz_Click();
    void freqKHz_Click();
    void freqMHz_Click();
    void ampV_Click();
    void offV_Click();

    static const SettingRow freqHz, freqKHz, freqMHz, ampV, offV;

private:
    PanelContext ctx_;
};

} // namespace kx
