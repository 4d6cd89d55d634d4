#pragma once

#include "panel/Rows.h"

namespace kx {

// The waveform buttons and the output switch.
class WaveformOutput {
public:
    explicit WaveformOutput(PanelContext ctx);

    void sine_Click();
    void square_Click();
    void ramp_Click();
    void outOn_Click();
    void outOff_Click();

private:
    void select(const Waveform& waveform);
    void setOutput(bool on);

    PanelContext ctx_;
};

} // namespace kx
