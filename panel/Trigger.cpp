#include "panel/Trigger.h"

#include "ui_Main.h"

namespace kx {

Trigger::Trigger(PanelContext ctx) : ctx_(ctx) {}

} // namespace kx
