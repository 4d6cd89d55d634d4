#pragma once

#include "panel/Rows.h"

namespace kx {

// Duty cycle of the square wave, symmetry of the ramp.
class DutyCycle {
public:
    explicit DutyCycle(PanelContext ctx);

    void setDuty_Click();

private:
    PanelContext ctx_;
};

} // namespace kx
