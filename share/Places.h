#pragma once

#include <QString>

namespace kx {

// Where a kx-server's local socket lives: the user's runtime folder,
// $XDG_RUNTIME_DIR/kx-panel/, or when that is unset /tmp/kx-panel-<uid>/; either is this
// user's alone (mode 0700). Empty, with `why` set, when the folder cannot be made or
// belongs to someone else or others may enter it.
QString runtimeFolder(QString* why = nullptr);

// The socket of the server that holds `device`: one per device, named after its
// canonical path, so that a comN link and the device it leads to (/dev/pts/3) are the
// same port. Empty when there is no usable runtime folder.
QString socketPath(const QString& device, QString* why = nullptr);

// The name of a device's socket in the runtime folder: its canonical path without the
// leading slash, every other slash made '_' (and a '_' of its own, like every byte but
// letters, digits, '-', '.' and '~', percent-encoded): "/dev/pts/3" is "dev_pts_3".
QString socketName(const QString& canonicalDevice);

} // namespace kx
