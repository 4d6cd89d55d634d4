#pragma once

#include "panel/Rows.h"

namespace kx {

// The sweep: linear or log, start and stop frequency, rate, and sweep off.
class Sweep {
public:
    explicit Sweep(PanelContext ctx);

private:
    PanelContext ctx_;
};

} // namespace kx
