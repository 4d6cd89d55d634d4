#pragma once

#include "panel/Rows.h"

namespace kx {

// Modulation: type and source, shape, modulating frequency, AM depth, FM deviation, and
// modulation off.
class Modulation {
public:
    explicit Modulation(PanelContext ctx);

    void ModTypeSet_Click();
    void modShapeSet_Click();
    void modFreqHz_Click();
    void modFreqkHz_Click();
    void setDepth_Click();
    void devFMHz_Click();
    void devFMkHz_Click();
    void devFMMHz_Click();
    void modOff_Click();

    static const CommandRow ModTypeSet, modShapeSet, modOff;
    static const SettingRow modFreqHz, modFreqkHz, setDepth, devFMHz, devFMkHz, devFMMHz;

private:
    PanelContext ctx_;
};

} // namespace kx
