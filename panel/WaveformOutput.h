#pragma once

#include "panel/PanelContext.h"

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
    struct Waveform;
    struct OutputState;
    void setWaveform(const Waveform& w);
    void setOutput(const OutputState& s);

    PanelContext ctx_;
};

} // namespace kx
