#pragma once

#include "panel/Rows.h"

#include <vector>

namespace kx {

// Every declared row of the front panel, group by group.
const std::vector<const Setting*>& allSettings();
const std::vector<const Lines*>& allLines();

} // namespace kx
