#pragma once

#include "app/PanelContext.h"

namespace kx {

// Reads the generator's main settings (state/Status.h) into the display: waveform,
// frequency, amplitude, offset, operating mode, sweep and modulation.
class StatusRefresh {
public:
    explicit StatusRefresh(PanelContext ctx) : ctx_(ctx) {}

    // In the busy state. An answer that was not understood, or not reached, leaves its
    // display as it was; the status line names what went wrong.
    void update();

    // The "Update" button.
    void updateDisplay_Click();

private:
    PanelContext ctx_;
};

} // namespace kx
