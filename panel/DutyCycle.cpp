#include "panel/DutyCycle.h"

#include "app/Operations.h"
#include "ui_Main.h"

namespace kx {

DutyCycle::DutyCycle(PanelContext ctx) : ctx_(ctx) {
    static const Click<DutyCycle> clicks[] = {{"setDuty", &DutyCycle::setDuty_Click}};
    wire<DutyCycle>(ctx_.ui, this, clicks);
}

// Sent without the busy state; the runner keeps other operations out of the pause, and
// the status line keeps its text. Only the refusal of a sine wave empties the entry.
void DutyCycle::setDuty_Click() {
    ctx_.ops.run(Operations::Needs::Port, [&] {
        const Result r = setDuty(ctx_.link, ctx_.vars, ctx_.ui.duty->text());
        if (r.kind == Result::Kind::Refused)
            refuse(ctx_, r.code, ctx_.ui.duty, r.code == 9 ? Refused::Empty : Refused::Keep);
        raise(r);
    });
}

} // namespace kx
