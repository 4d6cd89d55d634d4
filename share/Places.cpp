#include "share/Places.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

namespace kx {

namespace {

// `path` made if missing; then it must be a folder (not a link to one), this user's,
// that no one else may enter.
bool privateFolder(const QString& path, QString* why) {
    const QByteArray name = QFile::encodeName(path);
    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST) {
        if (why)
            *why = QStringLiteral("cannot make %1: %2")
                       .arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    struct stat st = {};
    if (::lstat(name.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid() ||
        (st.st_mode & 077) != 0) {
        if (why)
            *why = QStringLiteral("%1 is not a folder of this user's alone").arg(path);
        return false;
    }
    return true;
}

} // namespace

QString runtimeFolder(QString* why) {
    const QString base = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QString folder = base.isEmpty() ? QStringLiteral("/tmp/kx-panel-%1").arg(::getuid())
                                          : base + QStringLiteral("/kx-panel");
    return privateFolder(folder, why) ? folder : QString();
}

QString socketName(const QString& canonicalDevice) {
    QString path = canonicalDevice;
    while (path.startsWith(QLatin1Char('/')))
        path.remove(0, 1);
    return QString::fromLatin1(path.toUtf8().toPercentEncoding("/", "_"))
        .replace(QLatin1Char('/'), QLatin1Char('_'));
}

QString socketPath(const QString& device, QString* why) {
    const QString folder = runtimeFolder(why);
    if (folder.isEmpty())
        return {};
    const QString canonical = QFileInfo(device).canonicalFilePath();
    return folder + QLatin1Char('/') +
           socketName(canonical.isEmpty() ? QFileInfo(device).absoluteFilePath() : canonical);
}

} // namespace kx
