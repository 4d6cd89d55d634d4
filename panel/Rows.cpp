#include "panel/Rows.h"

#include "app/BusyState.h"
#include "app/ErrorCatalog.h"
#include "app/Operations.h"
#include "link/Exchange.h"
#include "link/LinkError.h"
#include "state/Number.h"
#include "state/Profile.h"
#include "state/modVariables.h"
#include "ui_Main.h"

#include <optional>

namespace kx {

Range frequencyLimits(modVariables& vars) {
    vars.setFrequencyLimits();
    return {vars.freqMin, vars.freqMax};
}

void refuse(const PanelContext& ctx, short code, QLineEdit* entry, Refused refused) {
    ctx.errors.showError(code);
    if (refused == Refused::Empty)
        entry->clear();
}

int selectedItem(const QComboBox* list) {
    const int index = list->currentIndex();
    return index >= 0 && list->itemText(index) == list->currentText() ? index : -1;
}

void run(const PanelContext& ctx, const Setting& row) {
    ctx.ops.run(Operations::Needs::Port, [&] {
        QLineEdit* entry = ctx.ui.*row.entry;
        std::optional<BusyGuard> busy;
        if (row.asks.query) {
            busy.emplace(ctx.busy);
            const QLatin1String expected(row.asks.expected);
            const QString answer = ask(ctx, QString::fromLatin1(row.asks.query));
            if (answer.left(expected.size()) != expected) {
                ctx.errors.showError(row.asks.code);
                return;
            }
        }
        const Range range = row.limits.from ? row.limits.from(ctx.vars) : row.limits.fixed;
        const auto typed = parseNumber(entry->text());
        const double value = typed ? *typed * row.factor : 0;
        // A number too large for a double after conversion is out of range too.
        if (!typed || !(value <= range.highest && value >= range.lowest)) {
            refuse(ctx, row.code, entry, row.refused);
            return;
        }
        if (row.rule.holds && !row.rule.holds(value, ctx.ui)) {
            refuse(ctx, row.rule.code, entry, Refused::Empty);
            return;
        }
        if (!busy)
            busy.emplace(ctx.busy);
        ctx.link.processEcho(QString::fromLatin1(row.line).arg(entry->text()));
        if (row.readBack.query && readBack(ctx, row.readBack) != modVariables::Decoded::Ok)
            throw noValidAnswer(QString::fromLatin1(row.readBack.query));
    });
}

void run(const PanelContext& ctx, const Lines& row) {
    ctx.ops.run(Operations::Needs::Port, [&] {
        Ui::Main& ui = ctx.ui;
        if (row.guard.code && row.guard.control.get(ui).compare(QLatin1String(row.guard.text),
                                                                Qt::CaseInsensitive) == 0) {
            ctx.errors.showError(row.guard.code);
            return;
        }
        std::optional<BusyGuard> busy;
        if (row.busy == Busy::Throughout)
            busy.emplace(ctx.busy);
        const auto send = [&](const char* line) {
            ctx.link.processEcho(QString::fromLatin1(line));
            // Sent before the busy state: the runner keeps other operations out of its
            // pause meanwhile.
            if (row.busy == Busy::AfterFirstLine && !busy)
                busy.emplace(ctx.busy);
        };
        if (row.waveform)
            send(row.waveform->line);
        for (const char* line : row.lines)
            send(line);
        for (const Caption& c : row.captions)
            c.control.set(ui, QString::fromLatin1(c.text));
        if (row.waveform) {
            // Shown whatever the generator made of the line.
            ctx.vars.waveShape = QString::fromLatin1(row.waveform->shape);
            showWavePicture(ui, QString::fromLatin1(row.waveform->picture));
        }
        if (!row.list)
            return;
        const int item = selectedItem(ui.*row.list);
        if (item < 0 || item >= static_cast<int>(row.choices.size()))
            return;
        const Choice& choice = row.choices.begin()[item];
        for (const char* line : choice.lines)
            send(line);
        for (const Caption& c : choice.captions)
            c.control.set(ui, QString::fromLatin1(c.text));
    });
}

void connectClick(Ui::Main& ui, const char* button, std::function<void()> handler) {
    QWidget* window = ui.centralwidget->window();
    auto* b = window->findChild<QAbstractButton*>(QLatin1String(button));
    if (!b)
        qFatal("The window has no button %s", button);
    QObject::connect(b, &QAbstractButton::clicked, b, std::move(handler));
}

} // namespace kx
