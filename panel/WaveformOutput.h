#pragma once

#include "panel/Rows.h"

namespace kx {

// The output light and buttons as the generator's output is: on, or off.
void showOutput(Ui::Main& ui, bool on);

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
