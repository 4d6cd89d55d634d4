#include "kit/MessageBoxes.h"

#include <QMessageBox>

namespace kx {

static QMessageBox::Icon qtIcon(MessageBoxes::Icon icon) {
    switch (icon) {
    case MessageBoxes::Icon::Warning:
        return QMessageBox::Warning;
    case MessageBoxes::Icon::Stop:
        return QMessageBox::Critical;
    case MessageBoxes::Icon::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

void QtMessageBoxes::inform(Icon icon, const QString& title, const QString& text) {
    QMessageBox box(qtIcon(icon), title, text, QMessageBox::Ok, parent_);
    box.exec();
}

MessageBoxes::Answer QtMessageBoxes::ask(Icon icon, const QString& title, const QString& text) {
    QMessageBox box(qtIcon(icon), title, text, QMessageBox::Yes | QMessageBox::No, parent_);
    return box.exec() == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

} // namespace kx
