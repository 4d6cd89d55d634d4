#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <vector>

class QWidget;

namespace kx {

class Exchange;
class MessageBoxes;

// Runs the operator's operations one at a time and turns their failures into what the
// operator sees. While one runs (its pauses included) no second one starts: a click
// that arrives meanwhile is dropped, without touching texts, pointer or enabled states.
// When one ends, the focus goes back to the control it started from, or where the
// operation disabled that, to the next control of the Tab order.
class Operations : public QObject {
    Q_OBJECT
public:
    enum class Needs {
        Nothing, // sends nothing, or opens the port itself
        Port,    // sends: with no port open, nothing happens but the "port is not open" box
    };

    Operations(QWidget& window, Exchange& link, MessageBoxes& boxes,
               std::function<void(const QString&)> showStatus, QObject* parent = nullptr);
    ~Operations() override;

    bool isRunning() const { return running_; }

    // Runs `body` unless another operation is running. Returns false when it did not run.
    bool run(Needs needs, const std::function<void()>& body);

    // What to do, besides the box, when the line is lost: close the port on the panel.
    void setLostHandler(std::function<void()> handler) { onLost_ = std::move(handler); }

    // Called after every operation, once it has ended.
    void whenDone(std::function<void()> then) { done_.push_back(std::move(then)); }

    // Reports a lost line to the operator (indicator, controls, box).
    void reportLost();

    // Input to `target` should be dropped: an operation is running and the event is
    // operator input to the main window (the EXIT button aside).
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void giveFocus(QWidget& started);

    QWidget& window_;
    Exchange& link_;
    MessageBoxes& boxes_;
    std::function<void(const QString&)> showStatus_;
    std::function<void()> onLost_;
    std::vector<std::function<void()>> done_;
    bool running_ = false;
    bool pointerBusy_ = false; // the busy pointer of a pause outside the busy state
};

} // namespace kx
