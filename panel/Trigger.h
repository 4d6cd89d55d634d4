#pragma once

#include "panel/Rows.h"

namespace kx {

// The operating mode, the trigger source and rate, and the burst count.
class Trigger {
public:
    explicit Trigger(PanelContext ctx);

private:
    PanelContext ctx_;
};

} // namespace kx
