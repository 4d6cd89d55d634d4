#pragma once

#include "panel/Rows.h"

#include <span>

namespace kx {

// Every declared row of the front panel, group by group, for the tests that go over
// them all.
std::span<const SettingRow* const> settingRows();
std::span<const CommandRow* const> commandRows();

} // namespace kx
