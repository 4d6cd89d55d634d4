#include "panel/Modulation.h"

#include "ui_Main.h"

namespace kx {

Modulation::Modulation(PanelContext ctx) : ctx_(ctx) {}

} // namespace kx
