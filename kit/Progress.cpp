#include "kit/Progress.h"

#include <QProgressDialog>

namespace kx {

QtProgress::QtProgress(QWidget* parent, const QString& title)
    : dialog_(std::make_unique<QProgressDialog>(parent)) {
    dialog_->setWindowTitle(title);
    dialog_->setWindowModality(Qt::NonModal);
    dialog_->setMinimumDuration(0);
    dialog_->setAutoClose(false);
    dialog_->setAutoReset(false);
    dialog_->setMinimumWidth(420);
    dialog_->cancel();
}

QtProgress::~QtProgress() = default;

void QtProgress::show(int step, int steps, const QString& what, int secondsLeft) {
    if (step <= 1)
        dialog_->reset();
    dialog_->setMaximum(steps);
    dialog_->setValue(step - 1);
    dialog_->setLabelText(QStringLiteral("Line %1 of %2: %3\nAbout %4 s left")
                              .arg(step)
                              .arg(steps)
                              .arg(what)
                              .arg(secondsLeft));
    dialog_->show();
}

bool QtProgress::cancelled() { return dialog_->wasCanceled(); }

void QtProgress::close() { dialog_->hide(); }

} // namespace kx
