#include "link/PortMap.h"

#include <QDir>
#include <QFileInfo>

namespace kx {

PortMap::PortMap(QString configDir) : configDir_(std::move(configDir)) {
    if (configDir_.isEmpty()) {
        configDir_ = qEnvironmentVariable("XDG_CONFIG_HOME");
        if (configDir_.isEmpty())
            configDir_ = QDir::homePath() + QStringLiteral("/.config");
    }
}

QString PortMap::linkFolder() const { return configDir_ + QStringLiteral("/kx-panel/ports"); }

QString PortMap::defaultDevice(int n) {
    if (n >= 1 && n <= 4)
        return QStringLiteral("/dev/ttyS%1").arg(n - 1);
    if (n >= 5 && n <= 12)
        return QStringLiteral("/dev/ttyUSB%1").arg(n - 5);
    if (n >= 13 && n <= 16)
        return QStringLiteral("/dev/ttyACM%1").arg(n - 13);
    return {};
}

QString PortMap::device(int n) const {
    if (n < firstPort || n > lastPort)
        return {};
    const QString link = linkFolder() + QStringLiteral("/com%1").arg(n);
    // A link counts even when it dangles: the operator named this port's device, and a
    // missing target must not fall back to some other port.
    if (QFileInfo(link).isSymLink())
        return link;
    return defaultDevice(n);
}

} // namespace kx
