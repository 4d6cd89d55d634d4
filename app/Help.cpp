#include "app/Help.h"

#include "kit/MessageBoxes.h"

#include <QDir>
#include <QFileInfo>

namespace kx {

QStringList helpDirectories(const QString& programDir) {
    const QDir dir(programDir);
    return {QDir::cleanPath(dir.absolutePath()),
            QDir::cleanPath(dir.absoluteFilePath(QStringLiteral("../share/kx-panel"))),
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

bool openHelp(MessageBoxes& boxes, const QStringList& directories, const UrlOpener& open) {
    const QString path = findHelp(directories);
    if (path.isEmpty())
        return false;
    // Once handed over, what the viewer makes of the file is its own business.
    if (!open || !open(QUrl::fromLocalFile(path)))
        boxes.inform(MessageBoxes::Icon::Warning, QStringLiteral("Help"),
                     QStringLiteral("The help file could not be opened: the desktop has no "
                                    "program to show PDF files.\n\nThe file is %1\n\nOpen it "
                                    "with any PDF reader.")
                         .arg(QDir::toNativeSeparators(path)));
    return true;
}

} // namespace kx
