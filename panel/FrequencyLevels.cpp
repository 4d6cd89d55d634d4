#include "panel/FrequencyLevels.h"

#include "state/Number.h"
#include "ui_Main.h"

#include <cmath>

namespace kx {

namespace {

// Half the amplitude plus the magnitude of the offset may not exceed this. Displays
// carry five decimals; a sum that only exceeds it by rounding error in the last bit
// of a double is at the limit.
constexpr double levelLimit = 5.0;
constexpr double tolerance = 1e-9;

// A display read back from the generator, as a number; before the first read-back
// it holds no number and counts as 0.
double displayed(const QLineEdit* display) {
    return parseNumber(display->text()).value_or(0);
}

bool amplitudeFitsOffset(double amplitude, const Ui::Main& ui) {
    return amplitude / 2 + std::fabs(displayed(ui.offset)) <= levelLimit + tolerance;
}

bool offsetFitsAmplitude(double offset, const Ui::Main& ui) {
    return std::fabs(offset) + displayed(ui.amp) / 2 <= levelLimit + tolerance;
}

} // namespace

const Setting FrequencyLevels::freqHz{
    "freqHz", &Ui::Main::setF, 1,           frequencyLimits,
    5,        Refused::Empty,  "FREQ %1HZ", readBacks::outputFrequency};
const Setting FrequencyLevels::freqKHz{
    "freqKHz", &Ui::Main::setF, 1e3,          frequencyLimits,
    5,         Refused::Empty,  "FREQ %1KHZ", readBacks::outputFrequency};
const Setting FrequencyLevels::freqMHz{
    "freqMHz", &Ui::Main::setF, 1e6,          frequencyLimits,
    5,         Refused::Empty,  "FREQ %1MHZ", readBacks::outputFrequency};
const Setting FrequencyLevels::ampV{"ampV",
                                    &Ui::Main::setA,
                                    1,
                                    {0.01, 10},
                                    6,
                                    Refused::Empty,
                                    "AMPL %1",
                                    readBacks::amplitude,
                                    {amplitudeFitsOffset, 8}};
const Setting FrequencyLevels::offV{"offV",
                                    &Ui::Main::setO,
                                    1,
                                    {-5, 5},
                                    7,
                                    Refused::Empty,
                                    "OFFS %1",
                                    readBacks::offset,
                                    {offsetFitsAmplitude, 8}};

FrequencyLevels::FrequencyLevels(PanelContext ctx) : ctx_(ctx) {
    wire<FrequencyLevels>(ctx_.ui, this,
                          {{"freqHz", &FrequencyLevels::freqHz_Click},
                           {"freqKHz", &FrequencyLevels::freqKHz_Click},
                           {"freqMHz", &FrequencyLevels::freqMHz_Click},
                           {"ampV", &FrequencyLevels::ampV_Click},
                           {"offV", &FrequencyLevels::offV_Click}});
}

void FrequencyLevels::freqHz_Click() {
    run(ctx_, freqHz);
}
void FrequencyLevels::freqKHz_Click() {
    run(ctx_, freqKHz);
}
void FrequencyLevels::freqMHz_Click() {
    run(ctx_, freqMHz);
}
void FrequencyLevels::ampV_Click() {
    run(ctx_, ampV);
}
void FrequencyLevels::offV_Click() {
    run(ctx_, offV);
}

} // namespace kx
