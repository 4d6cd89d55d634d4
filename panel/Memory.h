#pragma once

#include "panel/Rows.h"
#include "state/Memory.h"

#include <QString>

namespace kx {

class StatusRefresh;

// Saving the generator's set-up in a memory location, recalling it, and recalling the
// factory set-up; each followed by a full read-back.
class Memory {
public:
    Memory(PanelContext ctx, StatusRefresh& refresh);

    void memLocation_Change();
    void save_Click();
    void recall_Click();
    void facDefault_Click();

private:
    // Why `text` is not a memory location of the connected model; empty when it is.
    QString locationProblem(const QString& text) const;
    void run(Store what);

    PanelContext ctx_;
    StatusRefresh& refresh_;
};

} // namespace kx
