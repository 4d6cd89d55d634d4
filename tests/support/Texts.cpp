#include "support/Texts.h"

#include "support/Rig.h"

#include <QHash>

namespace kxtest {

QStringList refusal(int code) {
    static const QHash<int, QString> text{
        {5, "Range error! The entered value is outside the frequency range of the generator."},
        {6, "Range error! The entered value is outside the amplitude range of the generator."},
        {7, "Range error! The entered value is outside the adjustable range."},
        {8, "Setting conflict! (Amplitude / 2) + |offset| must be <= 5V. Change your amplitude "
            "or offset settings and try again."},
        {9, "Input error! Duty cycle is for square and ramp waveforms only."},
        {10, "Setting Conflict! Frequency is above the supported limit for variable duty "
             "cycle/symmetry."},
        {11, "Setting Conflict! Trigger source cannot be configured in Continuous mode.  Please "
             "change trigger mode first, then try again."},
        {12, "Setting Conflict! Max. frequency for burst mode is 1MHz.  Please set to a lower "
             "frequency, then try again."},
        {13, "Setting Conflict! Depth % is for Internal AM Modulation only.  Please change the "
             "Modulation type to AM Internal and try again."},
        {14, "Setting Conflict! Deviation is for Internal FM Modulation only.  Please change the "
             "Modulation type to FM Internal and try again."},
    };
    if (code == 0)
        return {};
    Q_ASSERT(text.contains(code));
    return {box(kx::MessageBoxes::Icon::Stop, QStringLiteral("Invalid Input"), text.value(code))};
}

QStringList portNotOpenBox() {
    return {
        box(kx::MessageBoxes::Icon::Warning, QStringLiteral("Connection Error"),
            QStringLiteral("The COM port is not open.  Please connect to the generator first."))};
}

} // namespace kxtest
