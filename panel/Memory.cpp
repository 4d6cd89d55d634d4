#include "panel/Groups.h"

#include "kit/BusyState.h"
#include "kit/MessageBoxes.h"
#include "kit/Operations.h"
#include "state/Memory.h"
#include "state/modVariables.h"
#include "ui_Main.h"

namespace kx::memory {

namespace {

void tell(const PanelContext& ctx, const QString& problem) {
    ctx.boxes.inform(MessageBoxes::Icon::Stop, QStringLiteral("Invalid Input"), problem);
}

void memLocation_Change(const PanelContext& ctx) {
    const MemoryLocation m = checkMemoryLocation(ctx.vars.modelName, ctx.ui.memLocation->text());
    ctx.ui.save->setEnabled(m.location.has_value());
    ctx.ui.recall->setEnabled(m.location.has_value());
    if (!m.location)
        tell(ctx, m.problem);
}

void run(const PanelContext& ctx, Store what) {
    ctx.ops.run(Operations::Needs::Port, [&] {
        // Checked once more at the click: the model may have changed since the text was
        // typed, and a recall the generator takes for location 0 would replace the
        // operator's set-up with the factory one. The line carries the checked number,
        // never the text.
        const MemoryLocation m =
            checkMemoryLocation(ctx.vars.modelName, ctx.ui.memLocation->text());
        if (what != Store::Factory && !m.location)
            return tell(ctx, m.problem);
        BusyGuard busy(ctx.busy);
        raise(store(ctx.link, ctx.vars, what, m.location.value_or(0)));
        statusRefresh::update(ctx);
    });
}

void save_Click(const PanelContext& ctx) { run(ctx, Store::Save); }
void recall_Click(const PanelContext& ctx) { run(ctx, Store::Recall); }
void facDefault_Click(const PanelContext& ctx) { run(ctx, Store::Factory); }

} // namespace

void wire(const PanelContext& ctx) {
    QObject::connect(ctx.ui.memLocation, &QLineEdit::textChanged, ctx.ui.memLocation,
                     [ctx] { memLocation_Change(ctx); });
    static const Click clicks[] = {
        {"save", save_Click}, {"recall", recall_Click}, {"facDefault", facDefault_Click}};
    kx::wire(ctx, clicks);
}

} // namespace kx::memory
