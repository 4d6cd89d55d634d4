#include "panel/Groups.h"

#include "kit/Operations.h"
#include "state/Number.h"
#include "ui_Main.h"

#include <QPushButton>

#include <cmath>

namespace kx::entries {

namespace {

// The accepted range of an entry as the generator is known; none for the duty cycle of a
// sine wave.
using Bounds = std::optional<Range> (*)(modVariables& vars);

template <const Setting& S> std::optional<Range> ofSetting(modVariables& vars) {
    return accepted(vars, S);
}
std::optional<Range> ofDuty(modVariables& vars) {
    const DutyLimits* limits = dutyLimits(vars.waveShape);
    return limits ? std::optional(limits->percent) : std::nullopt;
}
std::optional<Range> ofBurst(modVariables&) { return burstCycles; }

constexpr Unit percent[] = {{"%", 1, ""}};
constexpr Unit cycles[] = {{"cycles", 1, ""}};

// An entry, the buttons that send what is typed into it, and its range in its units.
struct EntryRow {
    QLineEdit* Ui::Main::*entry;
    const char* buttons[3];
    Bounds bounds;
    std::span<const Unit> units;
};

const EntryRow rows[] = {
    {&Ui::Main::setF,
     {"freqMHz", "freqKHz", "freqHz"},
     ofSetting<settings::frequency>,
     settings::frequency.units},
    {&Ui::Main::setA, {"ampV"}, ofSetting<settings::amplitude>, settings::amplitude.units},
    {&Ui::Main::setO, {"offV"}, ofSetting<settings::offset>, settings::offset.units},
    {&Ui::Main::duty, {"setDuty"}, ofDuty, percent},
    {&Ui::Main::startFreq,
     {"startSweepMHz", "startSweepkHz", "startSweepHz"},
     ofSetting<settings::sweepStart>,
     settings::sweepStart.units},
    {&Ui::Main::stopFreq,
     {"stopSweepMHz", "stopSweepkHz", "stopSweepHz"},
     ofSetting<settings::sweepStop>,
     settings::sweepStop.units},
    {&Ui::Main::sweepRate,
     {"sweepRateSec"},
     ofSetting<settings::sweepRate>,
     settings::sweepRate.units},
    {&Ui::Main::modFreq,
     {"modFreqkHz", "modFreqHz"},
     ofSetting<settings::modulationFrequency>,
     settings::modulationFrequency.units},
    {&Ui::Main::depthAM, {"setDepth"}, ofSetting<settings::depth>, settings::depth.units},
    {&Ui::Main::devFM,
     {"devFMMHz", "devFMkHz", "devFMHz"},
     ofSetting<settings::deviation>,
     settings::deviation.units},
    {&Ui::Main::trigRate,
     {"trigRateMicro", "trigRateMilli", "trigRateSec"},
     ofSetting<settings::triggerRate>,
     settings::triggerRate.units},
    {&Ui::Main::burst, {"setBurst"}, ofBurst, cycles},
};

QPushButton* button(const PanelContext& ctx, const char* name) {
    auto* b = ctx.ui.centralwidget->findChild<QPushButton*>(QLatin1String(name));
    if (!b)
        qFatal("The window has no button %s", name);
    return b;
}

// The largest of `units` that `value` makes at least one of.
const Unit& unitFor(double value, std::span<const Unit> units) {
    const Unit* unit = &units.front();
    for (const Unit& u : units) {
        if (u.factor < unit->factor || (std::fabs(value) >= u.factor && u.factor > unit->factor))
            unit = &u;
    }
    return *unit;
}

// "0.01 Hz to 1 MHz", "-3 to 3 V".
QString rangeText(const Range& range, std::span<const Unit> units) {
    const Unit& low = unitFor(range.lowest, units);
    const Unit& high = unitFor(range.highest, units);
    const QString lowest = QString::number(range.lowest / low.factor, 'g', 7);
    const QString highest =
        QStringLiteral("%1 %2").arg(range.highest / high.factor, 0, 'g', 7).arg(high.name);
    if (&low == &high)
        return QStringLiteral("%1 to %2").arg(lowest, highest);
    return QStringLiteral("%1 %2 to %3").arg(lowest, low.name, highest);
}

// Enter presses the entry's one button; among unit buttons the operator chooses.
void enter(const PanelContext& ctx, const EntryRow& row) {
    if (!row.buttons[1])
        return button(ctx, row.buttons[0])->click();
    QStringList units;
    for (const char* name : row.buttons) {
        if (name)
            units << button(ctx, name)->text();
    }
    const QString last = units.takeLast();
    ctx.ui.message->setText(QStringLiteral("Choose the unit to send it in: %1 or %2.")
                                .arg(units.join(QStringLiteral(", ")), last));
}

} // namespace

void showRanges(const PanelContext& ctx) {
    // The amplitude and the offset bound each other as the displays show them.
    modVariables known = ctx.vars;
    known.amplitudeV = parseNumber(ctx.ui.amp->text());
    known.offsetV = parseNumber(ctx.ui.offset->text());
    const QString about = QStringLiteral("%1, %2").arg(known.modelName, known.waveShape);
    for (const EntryRow& row : rows) {
        QString tip = QStringLiteral("The range is known once a generator is connected.");
        if (!known.modelName.isEmpty() && !known.waveShape.isEmpty()) {
            const std::optional<Range> range = row.bounds(known);
            tip = range ? QStringLiteral("%1: %2").arg(rangeText(*range, row.units), about)
                        : QStringLiteral("The %1 wave has no duty cycle: %2")
                              .arg(known.waveShape, about);
        }
        (ctx.ui.*row.entry)->setToolTip(tip);
    }
}

void wire(const PanelContext& ctx) {
    for (const EntryRow& row : rows)
        QObject::connect(ctx.ui.*row.entry, &QLineEdit::returnPressed, ctx.ui.*row.entry,
                         [ctx, &row] { enter(ctx, row); });
    ctx.ops.whenDone([ctx] { showRanges(ctx); });
    showRanges(ctx);
}

} // namespace kx::entries
