#include "state/Refusals.h"

namespace kx {

namespace {

constexpr Refusal catalogue[] = {
    {4, true, "Please Select a COM port before connecting."},
    {5, false, "Range error! The entered value is outside the frequency range of the generator."},
    {6, false, "Range error! The entered value is outside the amplitude range of the generator."},
    {7, false, "Range error! The entered value is outside the adjustable range."},
    {8, false,
     "Setting conflict! (Amplitude / 2) + |offset| must be <= 5V. Change your amplitude or "
     "offset settings and try again."},
    {9, false, "Input error! Duty cycle is for square and ramp waveforms only."},
    {10, false,
     "Setting Conflict! Frequency is above the supported limit for variable duty "
     "cycle/symmetry."},
    {11, false,
     "Setting Conflict! Trigger source cannot be configured in Continuous mode.  Please change "
     "trigger mode first, then try again."},
    {12, false,
     "Setting Conflict! Max. frequency for burst mode is 1MHz.  Please set to a lower frequency, "
     "then try again."},
    {13, false,
     "Setting Conflict! Depth % is for Internal AM Modulation only.  Please change the "
     "Modulation type to AM Internal and try again."},
    {14, false,
     "Setting Conflict! Deviation is for Internal FM Modulation only.  Please change the "
     "Modulation type to FM Internal and try again."},
};

} // namespace

QString Refusal::title() const {
    return warning ? QStringLiteral("Connection Error") : QStringLiteral("Invalid Input");
}

const Refusal* findRefusal(short code) {
    for (const Refusal& r : catalogue) {
        if (r.code == code)
            return &r;
    }
    return nullptr;
}

} // namespace kx
