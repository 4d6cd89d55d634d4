#pragma once

#include "panel/Rows.h"

namespace kx {

// Modulation: type and source, shape, modulating frequency, AM depth, FM deviation, and
// modulation off.
struct Modulation {
    static const CommandRow ModTypeSet, modShapeSet, modOff;
    static const SettingRow modFreqHz, modFreqkHz, setDepth, devFMHz, devFMkHz, devFMMHz;
};

} // namespace kx
