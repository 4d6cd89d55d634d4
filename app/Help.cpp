#include "app/Help.h"

#include <QDir>
#include <QFileInfo>

namespace kx {

QStringList helpDirectories(const QString& programDir) {
    const QDir dir(programDir);
    return {QDir::cleanPath(dir.absolutePath()),
            QDir::cleanPath(dir.absoluteFilePath(QStringLiteral("../share/doc/kx-panel")))};
}

QString findHelp(const QStringList& directories) {
    for (const QString& directory : directories) {
        if (directory.isEmpty())
            continue;
        const QFileInfo file(QDir(directory), helpFileName);
        if (file.isFile() && file.isReadable())
            return file.absoluteFilePath();
    }
    return {};
}

bool openHelp(const QStringList& directories, const UrlOpener& open) {
    const QString path = findHelp(directories);
    if (path.isEmpty() || !open)
        return false;
    // The viewer's own success or failure is not the panel's to report.
    open(QUrl::fromLocalFile(path));
    return true;
}

} // namespace kx
