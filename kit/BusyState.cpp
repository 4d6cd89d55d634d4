#include "kit/BusyState.h"

#include <QApplication>
#include <QLineEdit>
#include <QWidget>

namespace kx {

BusyState::~BusyState() {
    if (busy_)
        QApplication::restoreOverrideCursor();
}

void BusyState::wait() {
    window_.setEnabled(false);
    if (!busy_)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    busy_ = true;
    message_.setText(QStringLiteral("Please wait..."));
}

void BusyState::unwait() {
    window_.setEnabled(true);
    if (busy_)
        QApplication::restoreOverrideCursor();
    busy_ = false;
    message_.setText(QStringLiteral("Ready"));
}

} // namespace kx
