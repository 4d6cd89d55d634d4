#include "link/portDetect.h"

#include "link/PortMap.h"

#include <QFile>

#include <fcntl.h>
#include <unistd.h>

namespace kx {

bool canOpenDevice(const QString& device) {
    if (device.isEmpty())
        return false;
    const QByteArray path = QFile::encodeName(device);
    const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

bool isPortAvailable(const PortMap& map, int n) { return canOpenDevice(map.device(n)); }

} // namespace kx
