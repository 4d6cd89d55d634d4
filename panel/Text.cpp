#include "panel/Text.h"

#include "ui_Main.h"

#include <QPixmap>

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
    const QString prefix = QString::fromLatin1(where.prefix);
    if (std::holds_alternative<std::monostate>(where.unit)) {
        setText(ui, where.display, prefix + answer.value + answer.unit);
    } else {
        setText(ui, where.display, prefix + answer.value);
        setText(ui, where.unit, answer.unit);
    }
}

void showWavePicture(Ui::Main& ui, const QString& name) {
    ui.wave->setPixmap(QPixmap(QStringLiteral(":/%1.png").arg(name)));
    // Which picture is up, for anyone who asks the control rather than its pixels.
    ui.wave->setProperty("picture", name);
}

} // namespace kx
