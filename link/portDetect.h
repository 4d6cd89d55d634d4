#pragma once

#include <QString>

namespace kx {

class PortMap;

// What opening a device as a serial port finds there.
enum class DeviceProbe {
    CannotOpen,  // missing, no permission, held exclusively, or not a device at all
    NotTerminal, // it opens, but it is no terminal (a file, /dev/null, a FIFO)
    Terminal,    // it opens as a serial port does
};

// Opens `device` as the serial port does, but without configuring it (read and write,
// non-blocking, no controlling terminal), looks whether it is a terminal and closes it
// at once. A port another program holds still opens here.
DeviceProbe probeDevice(const QString& device);

// Whether a device path opens as a serial port: probeDevice finds a terminal.
bool canOpenDevice(const QString& device);

// Whether the device of port n opens as a serial port.
bool isPortAvailable(const PortMap& map, int n);

} // namespace kx
