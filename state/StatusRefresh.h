#pragma once

#include "app/PanelContext.h"

namespace kx {

// Reads the generator's main settings back into the display: waveform, frequency,
// amplitude, offset, operating mode, sweep and modulation.
class StatusRefresh {
public:
    explicit StatusRefresh(PanelContext ctx) : ctx_(ctx) {}

    // Seven queries, each reply read before the next is sent. A reply that does not
    // decode leaves its display as it was. A query with no answer, or an answer that
    // cannot be read at all, ends the refresh there (OperationFailed naming the query);
    // answers that were read but not understood are named once the refresh has finished.
    void update();

    // The "Update" button.
    void updateDisplay_Click();

private:
    PanelContext ctx_;
};

} // namespace kx
