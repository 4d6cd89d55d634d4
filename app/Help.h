#pragma once

#include <QCoreApplication>
#include <QDesktopServices>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

namespace kx {

class MessageBoxes;

// The operator's manual, "help.pdf".
//
// It is looked for in the program's own directory (where the build puts it), then in
// <prefix>/share/kx-panel/ of an installed program (../share/kx-panel/ from the
// program's directory), then in <prefix>/share/doc/kx-panel/.

inline const QString helpFileName = QStringLiteral("help.pdf");

// The directories searched, in order, for a program in `programDir`.
QStringList helpDirectories(const QString& programDir = QCoreApplication::applicationDirPath());

// The manual's absolute path: the first regular, readable "help.pdf" in `directories`;
// empty when there is none.
QString findHelp(const QStringList& directories = helpDirectories());

// Opens a URL with the desktop's default viewer; true when it was handed over.
using UrlOpener = std::function<bool(const QUrl&)>;

// Opens the manual with `open`. A missing manual does nothing and shows nothing; one the
// desktop cannot open is named, with its full path, in a box through `boxes`. Returns
// whether a manual was found.
bool openHelp(MessageBoxes& boxes, const QStringList& directories = helpDirectories(),
              const UrlOpener& open = &QDesktopServices::openUrl);

} // namespace kx
