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
        &FrequencyLevels::ampV,   &FrequencyLevels::offV,    &Sweep::startSweepHz,
        &Sweep::startSweepkHz,    &Sweep::startSweepMHz,     &Sweep::stopSweepHz,
        &Sweep::stopSweepkHz,     &Sweep::stopSweepMHz,      &Sweep::sweepRateSec,
        &Modulation::modFreqHz,   &Modulation::modFreqkHz,   &Modulation::setDepth,
        &Modulation::devFMHz,     &Modulation::devFMkHz,     &Modulation::devFMMHz,
        &Trigger::trigRateMicro,  &Trigger::trigRateMilli,   &Trigger::trigRateSec,
    };
    return rows;
}

const std::vector<const Lines*>& allLines() {
    static const std::vector<const Lines*> rows{
        &WaveformOutput::sine,   &WaveformOutput::square,  &WaveformOutput::ramp,
        &Sweep::linearSweep,     &Sweep::logSweep,         &Sweep::sweepOff,
        &Modulation::ModTypeSet, &Modulation::modShapeSet, &Modulation::modOff,
        &Trigger::TrigModeSet,   &Trigger::TrigSourceSet,
    };
    return rows;
}

} // namespace kx
