#include "support/PanelRows.h"

#include "panel/FrequencyLevels.h"
#include "panel/Modulation.h"
#include "panel/Sweep.h"
#include "panel/Trigger.h"

namespace kx {

std::span<const SettingRow* const> settingRows() {
    static const SettingRow* const rows[] = {
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

std::span<const CommandRow* const> commandRows() {
    static const CommandRow* const rows[] = {
        &Sweep::linearSweep,     &Sweep::logSweep,         &Sweep::sweepOff,
        &Modulation::ModTypeSet, &Modulation::modShapeSet, &Modulation::modOff,
        &Trigger::TrigModeSet,
    };
    return rows;
}

} // namespace kx
