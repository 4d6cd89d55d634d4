#include "panel/Panel.h"

#include "panel/FrequencyLevels.h"
#include "panel/Modulation.h"
#include "panel/Sweep.h"
#include "panel/Trigger.h"
#include "panel/WaveformOutput.h"

namespace kx {

const std::vector<const Setting*>& allSettings() {
    static const std::vector<const Setting*> rows{
        &FrequencyLevels::freqHz, &FrequencyLevels::freqKHz, &FrequencyLevels::freqMHz,
        &FrequencyLevels::ampV,   &FrequencyLevels::offV,
    };
    return rows;
}

const std::vector<const Lines*>& allLines() {
    static const std::vector<const Lines*> rows{
        &WaveformOutput::sine,
        &WaveformOutput::square,
        &WaveformOutput::ramp,
    };
    return rows;
}

} // namespace kx
