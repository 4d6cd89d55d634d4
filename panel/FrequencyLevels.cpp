#include "panel/FrequencyLevels.h"

#include "app/BusyState.h"
#include "app/ErrorCatalog.h"
#include "app/Operations.h"
#include "link/Exchange.h"
#include "link/LinkError.h"
#include "state/Number.h"
#include "state/modVariables.h"
#include "ui_Main.h"

#include <cmath>

namespace kx {

namespace {

constexpr double lowestAmplitude = 0.01;
constexpr double highestAmplitude = 10;
constexpr double highestOffset = 5;
// Displays carry five decimals; a sum that only exceeds the limit by rounding error
// in the last bit of a double is at the limit.
constexpr double tolerance = 1e-9;

// A display read back from the generator, as a number; before the first read-back
// it holds no number and counts as 0.
double displayed(const QLineEdit* display) {
    return parseNumber(display->text()).value_or(0);
}

} // namespace

FrequencyLevels::FrequencyLevels(PanelContext ctx) : ctx_(ctx) {
    Ui::Main& ui = ctx_.ui;
    QObject::connect(ui.freqHz, &QAbstractButton::clicked, ui.freqHz, [this] { freqHz_Click(); });
    QObject::connect(ui.freqKHz, &QAbstractButton::clicked, ui.freqKHz,
                     [this] { freqKHz_Click(); });
    QObject::connect(ui.freqMHz, &QAbstractButton::clicked, ui.freqMHz,
                     [this] { freqMHz_Click(); });
    QObject::connect(ui.ampV, &QAbstractButton::clicked, ui.ampV, [this] { ampV_Click(); });
    QObject::connect(ui.offV, &QAbstractButton::clicked, ui.offV, [this] { offV_Click(); });
}

void FrequencyLevels::freqHz_Click() {
    setFrequency("HZ", 1);
}

void FrequencyLevels::freqKHz_Click() {
    setFrequency("KHZ", 1e3);
}

void FrequencyLevels::freqMHz_Click() {
    setFrequency("MHZ", 1e6);
}

void FrequencyLevels::setFrequency(const char* suffix, double factor) {
    ctx_.ops.run(Operations::Needs::Port, [&] {
        Ui::Main& ui = ctx_.ui;
        modVariables& vars = ctx_.vars;
        vars.setFrequencyLimits();
        const auto value = parseNumber(ui.setF->text());
        if (!value || *value * factor > vars.freqMax || *value * factor < vars.freqMin) {
            ctx_.errors.showError(5);
            ui.setF->clear();
            return;
        }
        BusyGuard busy(ctx_.busy);
        ctx_.link.processEcho(QStringLiteral("FREQ ") + ui.setF->text() + QLatin1String(suffix));
        ctx_.link.processEcho(QStringLiteral("FREQ?"));
        if (vars.decodeFrequencyReply(trimBlanks(ctx_.link.readReceived())) !=
            modVariables::Decoded::Ok)
            throw noValidAnswer(QStringLiteral("FREQ?"));
        ui.frequency->setText(vars.freqDisplay);
        ui.frequencyUnit->setText(vars.freqUnit);
        vars.outputFrequencyHz = parseNumber(vars.freqHzText);
    });
}

void FrequencyLevels::ampV_Click() {
    ctx_.ops.run(Operations::Needs::Port, [&] {
        Ui::Main& ui = ctx_.ui;
        const auto amplitude = parseNumber(ui.setA->text());
        if (!amplitude || *amplitude > highestAmplitude || *amplitude < lowestAmplitude) {
            ctx_.errors.showError(6);
            ui.setA->clear();
            return;
        }
        if (*amplitude / 2 + std::fabs(displayed(ui.offset)) > levelLimit + tolerance) {
            ctx_.errors.showError(8);
            ui.setA->clear();
            return;
        }
        BusyGuard busy(ctx_.busy);
        ctx_.link.processEcho(QStringLiteral("AMPL ") + ui.setA->text());
        readLevelBack(QStringLiteral("AMPL?"), ui.amp);
    });
}

void FrequencyLevels::offV_Click() {
    ctx_.ops.run(Operations::Needs::Port, [&] {
        Ui::Main& ui = ctx_.ui;
        const auto offset = parseNumber(ui.setO->text());
        if (!offset || std::fabs(*offset) > highestOffset) {
            ctx_.errors.showError(7);
            ui.setO->clear();
            return;
        }
        if (std::fabs(*offset) + displayed(ui.amp) / 2 > levelLimit + tolerance) {
            ctx_.errors.showError(8);
            ui.setO->clear();
            return;
        }
        BusyGuard busy(ctx_.busy);
        ctx_.link.processEcho(QStringLiteral("OFFS ") + ui.setO->text());
        readLevelBack(QStringLiteral("OFFS?"), ui.offset);
    });
}

void FrequencyLevels::readLevelBack(const QString& query, QLineEdit* display) {
    ctx_.link.processEcho(query);
    if (ctx_.vars.decodeLevelReply(trimBlanks(ctx_.link.readReceived())) !=
        modVariables::Decoded::Ok)
        throw noValidAnswer(query);
    display->setText(ctx_.vars.levelText);
}

} // namespace kx
