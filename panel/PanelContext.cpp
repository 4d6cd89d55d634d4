#include "panel/PanelContext.h"

#include "ui_Main.h"

#include <QPixmap>

namespace kx {

QString trimBlanks(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == QLatin1Char(' '))
        ++begin;
    while (end > begin && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return text.mid(begin, end - begin);
}

void showWavePicture(Ui::Main& ui, const QString& name) {
    ui.wave->setPixmap(QPixmap(QStringLiteral(":/%1.png").arg(name)));
    // Which picture is up, for anyone who asks the control rather than its pixels.
    ui.wave->setProperty("picture", name);
}

} // namespace kx
