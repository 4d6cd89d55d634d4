#pragma once

#include "panel/Rows.h"

namespace kx {

// Modulation: type and source, shape, modulating frequency, AM depth, FM deviation, and modulation
// off.
class Modulation {
public:
    explicit Modulation(PanelContext ctx);

private:
    PanelContext ctx_;
};

} // namespace kx
