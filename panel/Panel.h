#pragma once

#include "panel/Rows.h"

#include <span>

namespace kx {

// Every declared row of the front panel, group by group.
std::span<const SettingRow* const> settingRows();
std::span<const CommandRow* const> commandRows();

// Connects every row's button to run() on it.
void wireRows(const PanelContext& ctx);

} // namespace kx
