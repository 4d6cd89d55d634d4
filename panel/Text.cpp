#include "panel/Text.h"

#include "ui_Main.h"

#include <QPixmap>

namespace kx {

namespace shown {
const Shown frequency{&Ui::Main::frequency, &Ui::Main::frequencyUnit};
const Shown amplitude{&Ui::Main::amp};
const Shown offset{&Ui::Main::offset};
} // namespace shown

void Text::set(Ui::Main& ui, const QString& text) const {
    if (box_)
        (ui.*box_)->setText(text);
    if (label_)
        (ui.*label_)->setText(text);
}

void show(Ui::Main& ui, const Shown& where, const Result::Answer& answer) {
    const QString prefix = QString::fromLatin1(where.prefix);
    if (where.unit) {
        where.display.set(ui, prefix + answer.value);
        where.unit.set(ui, answer.unit);
    } else {
        where.display.set(ui, prefix + answer.value + answer.unit);
    }
}

void showWavePicture(Ui::Main& ui, const QString& name) {
    ui.wave->setPixmap(QPixmap(QStringLiteral(":/%1.png").arg(name)));
    // Which picture is up, for anyone who asks the control rather than its pixels.
    ui.wave->setProperty("picture", name);
}

} // namespace kx
