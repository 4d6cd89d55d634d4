#include "state/Refusals.h"

#include <QFileInfo>

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
    return QString::fromLatin1(warning ? connectionError : "Invalid Input");
}

const Refusal* findRefusal(short code) {
    for (const Refusal& r : catalogue) {
        if (r.code == code)
            return &r;
    }
    return nullptr;
}

namespace port {
const PortRefusal inUse{
    "The selected COM port is currently in use or is opened by another application or user.  "
    "Please check to make sure port is not in use before connecting.",
    "%1 is in use by another program"};
const PortRefusal noPermission{
    "You may not open the selected COM port.  Serial ports belong to the group dialout: add "
    "yourself to it (sudo usermod -aG dialout $USER), then log out and in again before "
    "connecting.",
    "you may not open %1: serial devices belong to the group dialout (sudo usermod -aG dialout "
    "$USER)"};
const PortRefusal noPorts{
    "No COM ports detected/installed.  Please check in Device Manager that a COM port is "
    "available and installed on your system.  This application can only run if one is "
    "available.",
    "no port opens"};
// The device took none of the line's settings: to the window, as if no port were there.
const PortRefusal rejected{noPorts.box, "%1 cannot be opened"};
const PortRefusal notSerial{nullptr, "%1 is not a serial port"};
const PortRefusal noDevice{nullptr, "%1: no such device"};
const PortRefusal cannotOpen{nullptr, "%1 cannot be opened"};
const PortRefusal notOpen{"The COM port is not open.  Please connect to the generator first.",
                          "the port is not open"};
const PortRefusal lost{
    "The connection to the generator was lost.  The COM port has been closed; please check the "
    "cable and connect again.",
    "the connection to the generator was lost"};
} // namespace port

const PortRefusal& openRefusal(PortError error, const QString& device) {
    switch (error) {
    case PortError::Busy:
        return port::inUse;
    case PortError::NoPermission:
        return port::noPermission;
    case PortError::Rejected:
        return port::rejected;
    case PortError::NotSerial:
        return port::notSerial;
    default:
        return QFileInfo::exists(device) ? port::cannotOpen : port::noDevice;
    }
}

} // namespace kx
