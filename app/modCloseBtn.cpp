#include "app/modCloseBtn.h"

#include <QCloseEvent>
#include <QThread>
#include <QWidget>
#include <QWindow>

namespace kx {

namespace {

// The refusal is a child of the window with this name; its presence is the
// disabled state.
const QLatin1String refusalName("kx-close-refusal");

// Refuses every close event of the window it filters.
class CloseRefusal final : public QObject {
public:
    explicit CloseRefusal(QWidget* window) : QObject(window) {
        setObjectName(refusalName);
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        if (event->type() != QEvent::Close)
            return false;
        event->ignore();
        return true;
    }
};

QObject* refusalOf(const QWidget* window) {
    return window->findChild<QObject*>(refusalName, Qt::FindDirectChildrenOnly);
}

// Shows or hides the Close button in the title bar. False when the window does not
// report the new state afterwards.
bool setCloseHint(QWidget* window, bool enable) {
    Qt::WindowFlags flags = window->windowFlags();
    if (enable) {
        flags |= Qt::WindowCloseButtonHint;
    } else {
        // With CustomizeWindowHint only the hints named are shown: keep the title.
        flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint;
        flags &= ~Qt::WindowCloseButtonHint;
    }
    if (QWindow* handle = window->windowHandle()) {
        // A window that exists on screen is told directly: setWindowFlags would create
        // it again, hiding it on the way, and a hidden modal dialog ends its exec().
        window->overrideWindowFlags(flags);
        handle->setFlags(flags);
        if (handle->flags().testFlag(Qt::WindowCloseButtonHint) != enable)
            return false;
    } else {
        window->setWindowFlags(flags);
    }
    return window->windowFlags().testFlag(Qt::WindowCloseButtonHint) == enable;
}

} // namespace

short setCloseButtonEnabled(QWidget* window, bool enable) {
    if (!window || !window->isWindow())
        return -1;
    QObject* refusal = refusalOf(window);
    if ((refusal == nullptr) == enable)
        return 0; // already in the requested state
    if (window->thread() != QThread::currentThread())
        return -2;
    // The refusal follows the title bar only once it has taken the new state, so a
    // failure leaves the window wholly in its previous state.
    if (!setCloseHint(window, enable))
        return -3;
    if (enable)
        delete refusal;
    else
        new CloseRefusal(window);
    return 0;
}

bool isCloseButtonEnabled(const QWidget* window) { return window && !refusalOf(window); }

} // namespace kx
