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

    static const Lines sine, square, ramp;

private:
    struct OutputState;
    void setOutput(const OutputState& s);

    PanelContext ctx_;
};

} // namespace kx
