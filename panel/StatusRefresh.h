#pragma once

#include "kit/PanelContext.h"

// Reads the generator's main settings (state/Status.h) into the display: waveform,
// frequency, amplitude, offset, operating mode, sweep and modulation.
namespace kx::statusRefresh {

// In the busy state. An answer that was not understood, or not reached, leaves its
// display as it was; the status line names what went wrong.
void update(const PanelContext& ctx);

// Connects the "Update" button to its handler.
void wire(const PanelContext& ctx);

} // namespace kx::statusRefresh
