#include "link/PortMap.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace kx {

PortMap::PortMap(QString configDir) : configDir_(std::move(configDir)) {
    if (configDir_.isEmpty()) {
        configDir_ = qEnvironmentVariable("XDG_CONFIG_HOME");
        if (configDir_.isEmpty())
            configDir_ = QDir::homePath() + QStringLiteral("/.config");
    }
}

QString PortMap::linkFolder() const { return configDir_ + QStringLiteral("/kx-panel/ports"); }

namespace {

// The default table: ports first to last are the devices stem0, stem1 and on.
struct Devices {
    int first;
    int last;
    const char* stem;
};
constexpr Devices defaults[] = {
    {1, 4, "/dev/ttyS"}, {5, 12, "/dev/ttyUSB"}, {13, 16, "/dev/ttyACM"}};

} // namespace

QString PortMap::defaultDevice(int n) {
    for (const Devices& d : defaults) {
        if (n >= d.first && n <= d.last)
            return QLatin1String(d.stem) + QString::number(n - d.first);
    }
    return {};
}

QString PortMap::numbering() {
    QStringList ranges;
    for (const Devices& d : defaults)
        ranges << QStringLiteral("%1-%2 %3%4-%5")
                      .arg(d.first)
                      .arg(d.last)
                      .arg(QLatin1String(d.stem))
                      .arg(0)
                      .arg(d.last - d.first);
    return ranges.join(QStringLiteral(", "));
}

QString PortMap::name(int n) const { return QStringLiteral("port %1 (%2)").arg(n).arg(device(n)); }

QString PortMap::whereToLook() const {
    return QStringLiteral("the ports are %1, unless a link comN in %2 names another device")
        .arg(numbering(), linkFolder());
}

int PortMap::rememberedPort() const {
    QFile file(configDir_ + QStringLiteral("/kx-panel/last-port"));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    bool ok = false;
    const int n = QString::fromLatin1(file.read(16)).trimmed().toInt(&ok);
    return ok && n >= firstPort && n <= lastPort ? n : 0;
}

void PortMap::rememberPort(int n) const {
    if (!QDir().mkpath(configDir_ + QStringLiteral("/kx-panel")))
        return;
    QSaveFile file(configDir_ + QStringLiteral("/kx-panel/last-port"));
    if (file.open(QIODevice::WriteOnly) && file.write(QByteArray::number(n) + '\n') > 0)
        file.commit();
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
