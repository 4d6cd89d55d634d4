#include "panel/Memory.h"

#include "app/BusyState.h"
#include "app/MessageBoxes.h"
#include "app/Operations.h"
#include "link/Exchange.h"
#include "panel/StatusRefresh.h"
#include "state/Number.h"
#include "state/Profile.h"
#include "state/modVariables.h"
#include "ui_Main.h"

namespace kx {

namespace {

const QString notANumber = QStringLiteral(
    "Enter number only. For KX12A: Valid numbers: 1-9 .For KX20A/KX25A: Valid numbers: 1-19");
const QString outOfRange = QStringLiteral("Number outside of valid range.");

} // namespace

Memory::Memory(PanelContext ctx, StatusRefresh& refresh) : ctx_(ctx), refresh_(refresh) {
    QObject::connect(ctx_.ui.memLocation, &QLineEdit::textChanged, ctx_.ui.memLocation,
                     [this] { memLocation_Change(); });
    static const Click<Memory> clicks[] = {{"save", &Memory::save_Click},
                                           {"recall", &Memory::recall_Click},
                                           {"facDefault", &Memory::facDefault_Click}};
    wire<Memory>(ctx_.ui, this, clicks);
}

QString Memory::locationProblem(const QString& text) const {
    // Without an identified model there is no valid location at all.
    const ModelProfile* profile = findModel(ctx_.vars.modelName);
    const int highest = profile ? profile->highestMemory : 0;
    const auto value = parseNumber(text);
    if (!value)
        return notANumber;
    if (*value < 1 || *value > highest)
        return outOfRange;
    return {};
}

void Memory::memLocation_Change() {
    Ui::Main& ui = ctx_.ui;
    const QString problem = locationProblem(ui.memLocation->text());
    ui.save->setEnabled(problem.isEmpty());
    ui.recall->setEnabled(problem.isEmpty());
    if (!problem.isEmpty())
        ctx_.boxes.inform(MessageBoxes::Icon::Stop, QStringLiteral("Invalid Input"), problem);
}

void Memory::save_Click() {
    store("*SAV ", 1);
}

void Memory::recall_Click() {
    store("*RCL ", 1);
}

void Memory::facDefault_Click() {
    store(nullptr, 0);
}

void Memory::store(const char* command, int extraPause) {
    ctx_.ops.run(Operations::Needs::Port, [&] {
        const QString location = ctx_.ui.memLocation->text();
        if (command) {
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
        ctx_.link.processEcho(command ? QString::fromLatin1(command) + location
                                      : QStringLiteral("*RCL 0"));
        ctx_.link.delaySeconds(extraPause);
        refresh_.update();
    });
}

} // namespace kx
