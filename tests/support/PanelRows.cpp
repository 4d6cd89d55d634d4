#include "support/PanelRows.h"

#include "panel/FrequencyLevels.h"
#include "panel/Modulation.h"
#include "panel/Sweep.h"
#include "panel/Trigger.h"

namespace kx {

std::span<const SettingRow* const> settingRows() {
    static const SettingRow* const rows[] = {
        &frequencyLevels::freqHz, &frequencyLevels::freqKHz, &frequencyLevels::freqMHz,
        &frequencyLevels::ampV,   &frequencyLevels::offV,    &sweep::startSweepHz,
        &sweep::startSweepkHz,    &sweep::startSweepMHz,     &sweep::stopSweepHz,
        &sweep::stopSweepkHz,     &sweep::stopSweepMHz,      &sweep::sweepRateSec,
        &modulation::modFreqHz,   &modulation::modFreqkHz,   &modulation::setDepth,
        &modulation::devFMHz,     &modulation::devFMkHz,     &modulation::devFMMHz,
        &trigger::trigRateMicro,  &trigger::trigRateMilli,   &trigger::trigRateSec,
    };
    return rows;
}

std::span<const CommandRow* const> commandRows() {
    static const CommandRow* const rows[] = {
        &sweep::linearSweep,     &sweep::logSweep,         &sweep::sweepOff,
        &modulation::ModTypeSet, &modulation::modShapeSet, &modulation::modOff,
        &trigger::TrigModeSet,
    };
    return rows;
}

} // namespace kx
