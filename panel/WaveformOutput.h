#pragma once

#include "panel/Rows.h"

namespace kx {

// The output light and buttons as the generator's output is: on, or off.
void showOutput(Ui::Main& ui, bool on);

// The waveform buttons, the duty cycle of the square wave and the symmetry of the ramp,
// and the output switch.
namespace waveformOutput {
// Connects the group's buttons to their handlers.
void wire(const PanelContext& ctx);
} // namespace waveformOutput

} // namespace kx
