#pragma once

#include "state/Refusals.h"

#include <QString>

namespace kx {

class MessageBoxes;

// Shows the box of numbered refusal `code` (state/Refusals.h): a warning for a matter of
// the connection, a stop sign otherwise; returns once the operator has closed it. A code
// outside 4..14 shows nothing.
void showError(MessageBoxes& boxes, short code);

// Texts of the connection boxes, shared by connect, port discovery and the link.
namespace texts {
inline const QString connectionError = QStringLiteral("Connection Error");
inline const QString selectPort = QString::fromLatin1(findRefusal(4)->text);
inline const QString portInUse = QStringLiteral(
    "The selected COM port is currently in use or is opened by another application or user.  "
    "Please check to make sure port is not in use before connecting.");
inline const QString noPermission = QStringLiteral(
    "You may not open the selected COM port.  Serial ports belong to the group dialout: add "
    "yourself to it (sudo usermod -aG dialout $USER), then log out and in again before "
    "connecting.");
inline const QString noPorts = QStringLiteral(
    "No COM ports detected/installed.  Please check in Device Manager that a COM port is "
    "available and installed on your system.  This application can only run if one is "
    "available.");
inline const QString portNotOpen =
    QStringLiteral("The COM port is not open.  Please connect to the generator first.");
inline const QString connectionLost =
    QStringLiteral("The connection to the generator was lost.  The COM port has been closed; "
                   "please check the cable and connect again.");
} // namespace texts

} // namespace kx
