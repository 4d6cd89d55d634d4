#include "panel/Sweep.h"

#include "ui_Main.h"

namespace kx {

Sweep::Sweep(PanelContext ctx) : ctx_(ctx) {}

} // namespace kx
