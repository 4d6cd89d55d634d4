#pragma once

#include <QCoreApplication>
#include <QDesktopServices>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

namespace kx {

// The operator's manual, "help.pdf".
//
// It is looked for in the program's own directory (where the build puts it), then in
// <prefix>/share/doc/kx-panel/ of an installed program (../share/doc/kx-panel/ from
// the program's directory).

inline const QString helpFileName = QStringLiteral("help.pdf");

// The directories searched, in order, for a program in `programDir`.
QStringList helpDirectories(const QString& programDir = QCoreApplication::applicationDirPath());

// The manual's absolute path: the first regular, readable "help.pdf" in `directories`;
// empty when there is none.
QString findHelp(const QStringList& directories = helpDirectories());

// Opens a URL with the desktop's default viewer; true when it was handed over.
using UrlOpener = std::function<bool(const QUrl&)>;

// Opens the manual with `open`. A missing manual does nothing and shows nothing;
// returns whether a manual was found and handed to the opener.
bool openHelp(const QStringList& directories = helpDirectories(),
              const UrlOpener& open = &QDesktopServices::openUrl);

} // namespace kx
