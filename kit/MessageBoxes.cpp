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

void showError(MessageBoxes& boxes, short code) {
    const Refusal* r = findRefusal(code);
    if (!r)
        return;
    boxes.inform(r->warning ? MessageBoxes::Icon::Warning : MessageBoxes::Icon::Stop, r->title(),
                 QString::fromLatin1(r->text));
}

void showError(MessageBoxes& boxes, const PortRefusal& refusal) {
    boxes.inform(MessageBoxes::Icon::Warning, QString::fromLatin1(connectionError),
                 refusal.boxText());
}

} // namespace kx
