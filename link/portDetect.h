#pragma once

#include <QString>

namespace kx {

class PortMap;

// Whether the device of port n can be opened. The probe opens it without configuring
// it (non-blocking, no controlling terminal) and closes it at once.
bool isPortAvailable(const PortMap& map, int n);

// Whether a device path can be opened that way.
bool canOpenDevice(const QString& device);

} // namespace kx
