#include "panel/DutyCycle.h"

#include "app/ErrorCatalog.h"
#include "app/Operations.h"
#include "link/Exchange.h"
#include "state/Number.h"
#include "state/modVariables.h"
#include "ui_Main.h"

namespace kx {

namespace {

struct DutyRule {
    const char* waveShape;
    double highestFrequencyHz;
    double lowest;
    double highest;
};

constexpr DutyRule rules[] = {
    {"square", 2'000'000, 20, 80},
    {"ramp", 200'000, 1, 99},
};

} // namespace

DutyCycle::DutyCycle(PanelContext ctx) : ctx_(ctx) {
    wire<DutyCycle>(ctx_.ui, this, {{"setDuty", &DutyCycle::setDuty_Click}});
}

void DutyCycle::setDuty_Click() {
    ctx_.ops.run(Operations::Needs::Port, [&] {
        Ui::Main& ui = ctx_.ui;
        const modVariables& vars = ctx_.vars;
        if (vars.waveShape == QLatin1String("sine")) {
            refuse(ctx_, 9, ui.duty, Refused::Empty);
            return;
        }
        for (const DutyRule& rule : rules) {
            if (vars.waveShape != QLatin1String(rule.waveShape))
                continue;
            // The output frequency as last read back; until one is known the test waits.
            if (vars.outputFrequencyHz && *vars.outputFrequencyHz > rule.highestFrequencyHz) {
                ctx_.errors.showError(10);
                return;
            }
            const auto value = parseNumber(ui.duty->text());
            if (!value || *value > rule.highest || *value < rule.lowest) {
                ctx_.errors.showError(7);
                return;
            }
            // Sent without the busy state; the runner keeps other operations out of
            // the pause, and the status line keeps its text.
            ctx_.link.processEcho(QStringLiteral("DCYC ") + ui.duty->text());
        }
    });
}

} // namespace kx
