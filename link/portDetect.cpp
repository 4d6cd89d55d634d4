#include "link/portDetect.h"

#include "link/PortMap.h"

#include <QFile>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace kx {

DeviceProbe probeDevice(const QString& device) {
    if (device.isEmpty())
        return DeviceProbe::CannotOpen;
    const QByteArray path = QFile::encodeName(device);
    const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return DeviceProbe::CannotOpen;
    // The serial port reads the line settings first: what has none is no serial port.
    termios settings{};
    const bool terminal = ::tcgetattr(fd, &settings) == 0;
    ::close(fd);
    return terminal ? DeviceProbe::Terminal : DeviceProbe::NotTerminal;
}

bool canOpenDevice(const QString& device) { return probeDevice(device) == DeviceProbe::Terminal; }

bool isPortAvailable(const PortMap& map, int n) { return canOpenDevice(map.device(n)); }

} // namespace kx
