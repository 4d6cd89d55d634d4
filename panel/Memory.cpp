#include "panel/Memory.h"

#include "app/BusyState.h"
#include "app/MessageBoxes.h"
#include "app/Operations.h"
#include "link/Exchange.h"
#include "panel/StatusRefresh.h"
#include "state/Memory.h"
#include "state/modVariables.h"
#include "ui_Main.h"

namespace kx {

Memory::Memory(PanelContext ctx, StatusRefresh& refresh) : ctx_(ctx), refresh_(refresh) {
    QObject::connect(ctx_.ui.memLocation, &QLineEdit::textChanged, ctx_.ui.memLocation,
                     [this] { memLocation_Change(); });
    static const Click<Memory> clicks[] = {{"save", &Memory::save_Click},
                                           {"recall", &Memory::recall_Click},
                                           {"facDefault", &Memory::facDefault_Click}};
    wire<Memory>(ctx_.ui, this, clicks);
}

QString Memory::locationProblem(const QString& text) const {
    return memoryLocationProblem(ctx_.vars.modelName, text);
}

void Memory::memLocation_Change() {
    Ui::Main& ui = ctx_.ui;
    const QString problem = locationProblem(ui.memLocation->text());
    ui.save->setEnabled(problem.isEmpty());
    ui.recall->setEnabled(problem.isEmpty());
    if (!problem.isEmpty())
        ctx_.boxes.inform(MessageBoxes::Icon::Stop, QStringLiteral("Invalid Input"), problem);
}

void Memory::save_Click() { run(Store::Save); }

void Memory::recall_Click() { run(Store::Recall); }

void Memory::facDefault_Click() { run(Store::Factory); }

void Memory::run(Store what) {
    ctx_.ops.run(Operations::Needs::Port, [&] {
        const QString location = ctx_.ui.memLocation->text();
        if (what != Store::Factory) {
            // Checked once more at the click: the model may have changed since the text
            // was typed, and a recall the generator takes for location 0 would replace
            // the operator's set-up with the factory one.
            const QString problem = locationProblem(location);
            if (!problem.isEmpty()) {
                ctx_.boxes.inform(MessageBoxes::Icon::Stop, QStringLiteral("Invalid Input"),
                                  problem);
                return;
            }
        }
        BusyGuard busy(ctx_.busy);
        raise(store(ctx_.link, what, location));
        refresh_.update();
    });
}

} // namespace kx
