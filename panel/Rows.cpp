#include "panel/Rows.h"

#include "kit/BusyState.h"
#include "kit/MessageBoxes.h"
#include "kit/Operations.h"
#include "link/LinkError.h"
#include "state/Number.h"
#include "ui_Main.h"

#include <QPixmap>

#include <optional>

namespace kx {

namespace shown {
constinit const Shown frequency{&Ui::Main::frequency, &Ui::Main::frequencyUnit};
constinit const Shown amplitude{&Ui::Main::amp};
constinit const Shown offset{&Ui::Main::offset};
} // namespace shown

void setText(Ui::Main& ui, const Text& control, const QString& text) {
    if (auto* box = std::get_if<QLineEdit * Ui::Main::*>(&control))
        (ui.**box)->setText(text);
    if (auto* label = std::get_if<QLabel * Ui::Main::*>(&control))
        (ui.**label)->setText(text);
}

void show(Ui::Main& ui, const Shown& where, const Result::Answer& answer) {
    const bool unitApart = !std::holds_alternative<std::monostate>(where.unit);
    setText(ui, where.display,
            QString::fromLatin1(where.prefix) + answer.value +
                (unitApart ? QString() : answer.unit));
    setText(ui, where.unit, answer.unit); // nothing where the unit has no control
}

void showWavePicture(Ui::Main& ui, const QString& name) {
    ui.wave->setPixmap(QPixmap(QStringLiteral(":/%1.png").arg(name)));
    // Which picture is up, for anyone who asks the control rather than its pixels.
    ui.wave->setProperty("picture", name);
}

void refuse(const PanelContext& ctx, short code, QLineEdit* entry, Refused refused) {
    showError(ctx.boxes, code);
    if (refused == Refused::Empty)
        entry->clear();
}

int selectedItem(const QComboBox* list) {
    const int index = list->currentIndex();
    return index >= 0 && list->itemText(index) == list->currentText() ? index : -1;
}

void takeShown(const PanelContext& ctx) {
    // Before the first read-back a display holds no number, which counts as 0.
    ctx.vars.amplitudeV = parseNumber(ctx.ui.amp->text());
    ctx.vars.offsetV = parseNumber(ctx.ui.offset->text());
    ctx.vars.mode = ctx.ui.mode->text();
}

void setCaptions(Ui::Main& ui, std::span<const Caption> captions, int option) {
    for (const Caption& c : captions) {
        if (c.option < 0 || c.option == option)
            setText(ui, c.control, QString::fromLatin1(c.text));
    }
}

void raise(const Result& result) {
    if (result.kind == Result::Kind::NoValidAnswer)
        throw noValidAnswer(result.query);
    if (result.kind == Result::Kind::LinkLost)
        throw ConnectionLost{};
}

void run(const PanelContext& ctx, const SettingRow& row) {
    ctx.ops.run(Operations::Needs::Port, [&] {
        QLineEdit* entry = ctx.ui.*row.entry;
        const Setting& s = *row.setting;
        const Unit* unit = s.unit(QString::fromLatin1(row.unit));
        if (!unit)
            qFatal("The setting %s has no unit %s", s.name, row.unit);
        takeShown(ctx);
        std::optional<BusyGuard> busy;
        const Result r =
            apply(ctx.link, ctx.vars, s, *unit, entry->text(), [&] { busy.emplace(ctx.busy); });
        if (r.kind == Result::Kind::Refused)
            return refuse(ctx, r.code, entry,
                          r.code == s.rule.code   ? Refused::Empty
                          : r.code == s.asks.code ? Refused::Keep
                                                  : row.refused);
        raise(r);
        if (s.readBack.query)
            show(ctx.ui, row.shown, r.answer);
    });
}

void run(const PanelContext& ctx, const CommandRow& row) {
    ctx.ops.run(Operations::Needs::Port, [&] {
        BusyGuard busy(ctx.busy);
        const int option = row.list ? selectedItem(ctx.ui.*row.list) : -1;
        raise(choose(ctx.link, ctx.vars, *row.command, option));
        setCaptions(ctx.ui, row.captions, option);
    });
}

void wire(const PanelContext& ctx, std::span<const Click> clicks) {
    QWidget* window = ctx.ui.centralwidget->window();
    for (const Click& c : clicks) {
        auto* b = window->findChild<QAbstractButton*>(QLatin1String(c.button));
        if (!b)
            qFatal("The window has no button %s", c.button);
        QObject::connect(b, &QAbstractButton::clicked, b, [ctx, h = c.handler] { h(ctx); });
    }
}

} // namespace kx
