#pragma once

#include "state/Refusals.h"

#include <QString>

namespace kx {

class MessageBoxes;

// Shows the box of numbered refusal `code` (state/Refusals.h): a warning for a matter of
// the connection, a stop sign otherwise; returns once the operator has closed it. A code
// outside 4..14 shows nothing.
void showError(MessageBoxes& boxes, short code);

// Shows the "Connection Error" warning box of `refusal` (state/Refusals.h).
void showError(MessageBoxes& boxes, const PortRefusal& refusal);

} // namespace kx
