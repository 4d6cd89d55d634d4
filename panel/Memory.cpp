#include "panel/Memory.h"

#include "app/BusyState.h"
#include "app/MessageBoxes.h"
#include "app/Operations.h"
#include "panel/StatusRefresh.h"
#include "state/Memory.h"
#include "state/modVariables.h"
#include "ui_Main.h"

namespace kx::memory {

namespace {

void tell(const PanelContext& ctx, const QString& problem) {
    ctx.boxes.inform(MessageBoxes::Icon::Stop, QStringLiteral("Invalid Input"), problem);
}

void memLocation_Change(const PanelContext& ctx) {
    const QString p = memoryLocationProblem(ctx.vars.modelName, ctx.ui.memLocation->text());
    ctx.ui.save->setEnabled(p.isEmpty());
    ctx.ui.recall->setEnabled(p.isEmpty());
    if (!p.isEmpty())
        tell(ctx, p);
}

void run(const PanelContext& ctx, Store what) {
    ctx.ops.run(Operations::Needs::Port, [&] {
        const QString location = ctx.ui.memLocation->text();
        // Checked once more at the click: the model may have changed since the text was
        // typed, and a recall the generator takes for location 0 would replace the
        // operator's set-up with the factory one.
        const QString p = memoryLocationProblem(ctx.vars.modelName, location);
        if (what != Store::Factory && !p.isEmpty())
            return tell(ctx, p);
        BusyGuard busy(ctx.busy);
        raise(store(ctx.link, what, location));
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
