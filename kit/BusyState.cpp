#include "kit/BusyState.h"

#include <QApplication>
#include <QLineEdit>
#include <QWidget>

namespace kx {

BusyState::~BusyState() {
    if (busy_)
        QApplication::restoreOverrideCursor();
}

void BusyState::show(bool busy) {
    window_.setEnabled(!busy);
    if (busy && !busy_)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else if (!busy && busy_)
        QApplication::restoreOverrideCursor();
    busy_ = busy;
    message_.setText(busy ? QStringLiteral("Please wait...") : QStringLiteral("Ready"));
}

} // namespace kx
