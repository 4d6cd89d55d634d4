#include "state/ReadBack.h"

#include "app/PanelContext.h"
#include "link/Exchange.h"
#include "state/Number.h"
#include "ui_Main.h"

#include <QPixmap>

namespace kx {

namespace readBacks {
const ReadBack amplitude{"AMPL?", Reading::Level, &Ui::Main::amp};
const ReadBack offset{"OFFS?", Reading::Level, &Ui::Main::offset};
} // namespace readBacks

QString Text::get(const Ui::Main& ui) const {
    if (box_)
        return (ui.*box_)->text();
    if (label_)
        return (ui.*label_)->text();
    return {};
}

void Text::set(Ui::Main& ui, const QString& text) const {
    if (box_)
        (ui.*box_)->setText(text);
    if (label_)
        (ui.*label_)->setText(text);
}

QString ask(const PanelContext& ctx, const QString& query, bool trim) {
    ctx.link.processEcho(query);
    const QString reply = ctx.link.readReceived();
    return trim ? trimBlanks(reply) : reply;
}

modVariables::Decoded readBack(const PanelContext& ctx, const ReadBack& r) {
    modVariables& vars = ctx.vars;
    const QString reply = ask(ctx, QString::fromLatin1(r.query));
    const modVariables::Decoded result = r.reading == Reading::Level
                                             ? vars.decodeLevelReply(reply)
                                             : vars.decodeFrequencyReply(reply);
    if (result != modVariables::Decoded::Ok)
        return result;
    switch (r.reading) {
    case Reading::OutputFrequency:
        ctx.ui.frequency->setText(vars.freqDisplay);
        ctx.ui.frequencyUnit->setText(vars.freqUnit);
        vars.outputFrequencyHz = parseNumber(vars.freqHzText);
        break;
    case Reading::FrequencyCaption:
        r.display.set(ctx.ui, QString::fromLatin1(r.prefix) + vars.freqDisplay + vars.freqUnit);
        break;
    case Reading::Level:
        r.display.set(ctx.ui, vars.levelText);
        break;
    }
    return result;
}

void showWavePicture(Ui::Main& ui, const QString& name) {
    ui.wave->setPixmap(QPixmap(QStringLiteral(":/%1.png").arg(name)));
    // Which picture is up, for anyone who asks the control rather than its pixels.
    ui.wave->setProperty("picture", name);
}

} // namespace kx
