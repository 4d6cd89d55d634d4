#include "kit/Operations.h"

#include "kit/MessageBoxes.h"
#include "link/Exchange.h"
#include "link/LinkError.h"
#include "link/SerialPort.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QScopedValueRollback>
#include <QWidget>

#include <algorithm>

namespace kx {

Operations::Operations(QWidget& window, Exchange& link, MessageBoxes& boxes,
                       std::function<void(const QString&)> showStatus, QObject* parent)
    : QObject(parent), window_(window), link_(link), boxes_(boxes),
      showStatus_(std::move(showStatus)) {
    qApp->installEventFilter(this);
    // A pause outside the busy state leaves the window enabled; the pointer still shows
    // that clicks wait (they are dropped until the operation ends).
    const auto pointer = [this](bool on) {
        if (on && running_ && !QApplication::overrideCursor()) {
            QApplication::setOverrideCursor(Qt::BusyCursor);
            pointerBusy_ = true;
        } else if (!on && pointerBusy_) {
            QApplication::restoreOverrideCursor();
            pointerBusy_ = false;
        }
    };
    connect(&link_, &Exchange::pausing, this, pointer);
    // So does a wait for the turn on a port shared through a server.
    connect(&link_.port(), &SerialPort::waitingTurn, this, pointer);
}

Operations::~Operations() { qApp->removeEventFilter(this); }

bool Operations::run(Needs needs, const std::function<void()>& body) {
    if (running_ || link_.isShutDown())
        return false;
    const QPointer<QWidget> started = window_.focusWidget();
    {
        QScopedValueRollback<bool> running(running_, true);
        // On a shared port, no other program's line comes between this operation's.
        const HeldOperation held(link_.port());
        try {
            if (needs == Needs::Port && !link_.isOpen())
                throw PortNotOpen{};
            body();
            // The line went while the operation was past its last exchange.
            if (link_.wasLost())
                throw ConnectionLost{};
        } catch (const PortNotOpen&) {
            showError(boxes_, port::notOpen);
        } catch (const ConnectionLost&) {
            reportLost();
        } catch (const ShuttingDown&) {
            // The program is ending; nothing more is shown.
        } catch (const OperationFailed& failure) {
            showStatus_(failure.message);
        }
    }
    for (const auto& then : done_)
        then();
    if (started)
        giveFocus(*started);
    return true;
}

void Operations::giveFocus(QWidget& started) {
    const auto takes = [this](QWidget* w) { return w->isEnabled() && w->isVisibleTo(&window_); };
    QWidget* next = &started;
    // One the operation disabled (Connect, ON) hands on to the next in the Tab order.
    while (!takes(next) || (next != &started && !(next->focusPolicy() & Qt::TabFocus))) {
        next = next->nextInFocusChain();
        if (next == &started || !window_.isAncestorOf(next))
            return;
    }
    next->setFocus(Qt::OtherFocusReason);
}

void Operations::reportLost() {
    link_.clearLoss();
    if (onLost_)
        onLost_();
    showStatus_(QStringLiteral("Connection lost"));
    showError(boxes_, port::lost);
}

bool Operations::eventFilter(QObject* watched, QEvent* event) {
    if (!running_)
        return false;
    // The operator's input; everything else (painting, timers, the line) goes on.
    static constexpr QEvent::Type input[] = {
        QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
        QEvent::KeyPress,         QEvent::KeyRelease,         QEvent::Wheel,
        QEvent::Shortcut,         QEvent::ContextMenu};
    if (std::find(std::begin(input), std::end(input), event->type()) == std::end(input))
        return false;
    const auto* widget = qobject_cast<QWidget*>(watched);
    // EXIT stays usable: confirming it ends the program even inside a pause.
    return widget && (widget == &window_ || window_.isAncestorOf(widget)) &&
           widget->objectName() != QLatin1String("ExitBtn");
}

} // namespace kx
