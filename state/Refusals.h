#pragma once

#include "link/SerialPort.h"

#include <QString>

namespace kx {

// The numbered refusals, codes 4 to 14: why an operation sent nothing, in the words
// the operator reads. The window shows one in a box; a command line prints it.
inline constexpr const char* connectionError = "Connection Error";

struct Refusal {
    short code;
    bool warning; // a matter of the connection; otherwise of the value entered
    const char* text;

    // "Connection Error" or "Invalid Input".
    QString title() const;
};

// The refusal numbered `code`; nullptr for any other number.
const Refusal* findRefusal(short code);

// Why the port cannot be used. The window shows `box` in a "Connection Error" box, or,
// where it has none, says `line` on its status line; a command line prints `line`. %1 in
// `line` names the port: "port 3 (/dev/ttyS2)", or the device given.
struct PortRefusal {
    const char* box;
    const char* line;

    QString boxText() const { return QString::fromLatin1(box); }
    QString about(const QString& port) const { return QString::fromLatin1(line).arg(port); }
};

namespace port {
extern const PortRefusal inUse, noPermission, rejected, notSerial, noDevice, cannotOpen, noPorts,
    notOpen, lost;
} // namespace port

// Why opening `device` failed with `error`.
const PortRefusal& openRefusal(PortError error, const QString& device);

} // namespace kx
