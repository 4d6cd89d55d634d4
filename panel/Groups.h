#pragma once

#include "panel/Rows.h"

// The front panel's groups of controls, a namespace each. A group's wire() connects its
// controls to their handlers; the rows it declares are there for the tests that go over
// every row.
namespace kx {

struct Status;

// The output light and buttons as the generator's output is: on, or off.
void showOutput(Ui::Main& ui, bool on);

// Reads the generator's main settings (state/Status.h) into the display: waveform,
// frequency, amplitude, offset, operating mode, sweep and modulation; the "Update" button.
namespace statusRefresh {
// In the busy state. An answer that was not understood, or not reached, leaves its
// display as it was; the status line names what went wrong.
void update(const PanelContext& ctx);
// Shows what a status reading got, each display whose answer was understood.
void show(const PanelContext& ctx, const Status& status);
void wire(const PanelContext& ctx);
} // namespace statusRefresh

// The waveform buttons, the duty cycle of the square wave and the symmetry of the ramp,
// and the output switch.
namespace waveformOutput {
void wire(const PanelContext& ctx);
} // namespace waveformOutput

// Frequency in Hz, kHz and MHz, amplitude and offset.
namespace frequencyLevels {
extern const SettingRow freqHz, freqKHz, freqMHz, ampV, offV;
void wire(const PanelContext& ctx);
} // namespace frequencyLevels

// The sweep: linear or log, start and stop frequency, rate, and sweep off.
namespace sweep {
extern const CommandRow linearSweep, logSweep, sweepOff;
extern const SettingRow startSweepHz, startSweepkHz, startSweepMHz;
extern const SettingRow stopSweepHz, stopSweepkHz, stopSweepMHz, sweepRateSec;
void wire(const PanelContext& ctx);
} // namespace sweep

// Modulation: type and source, shape, modulating frequency, AM depth, FM deviation, and
// modulation off.
namespace modulation {
extern const CommandRow ModTypeSet, modShapeSet, modOff;
extern const SettingRow modFreqHz, modFreqkHz, setDepth, devFMHz, devFMkHz, devFMMHz;
void wire(const PanelContext& ctx);
} // namespace modulation

// The operating mode, the trigger source and rate, and the burst count.
namespace trigger {
extern const CommandRow TrigModeSet;
extern const SettingRow trigRateMicro, trigRateMilli, trigRateSec;
void wire(const PanelContext& ctx);
} // namespace trigger

// The entries values are typed into. Enter presses an entry's one button, or says which
// of its unit buttons to choose; each entry's tooltip gives the range it accepts as the
// connected generator is known, brought up to date whenever an operation ends.
namespace entries {
void showRanges(const PanelContext& ctx);
void wire(const PanelContext& ctx);
} // namespace entries

// Saving the generator's set-up in a memory location, recalling it, and recalling the
// factory set-up; each followed by a full read-back. Its wire() connects the location's
// entry too.
namespace memory {
void wire(const PanelContext& ctx);
} // namespace memory

} // namespace kx
