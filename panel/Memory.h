#pragma once

#include "panel/Rows.h"

// Saving the generator's set-up in a memory location, recalling it, and recalling the
// factory set-up; each followed by a full read-back.
namespace kx::memory {

// Connects the location's entry and the group's buttons to their handlers.
void wire(const PanelContext& ctx);

} // namespace kx::memory
