#pragma once

class QWidget;
class QLineEdit;

namespace kx {

// The busy state: the whole main window disabled, the hourglass pointer, and
// "Please wait..." in the status line. It is not counted: unwait always ends it.
class BusyState {
public:
    BusyState(QWidget& window, QLineEdit& message) : window_(window), message_(message) {}
    ~BusyState();

    void wait() { show(true); }
    void unwait() { show(false); }

private:
    void show(bool busy);

    QWidget& window_;
    QLineEdit& message_;
    bool busy_ = false;
};

// Holds the busy state for a scope, so no path out of an operation (an early return or
// a failure) leaves the window disabled.
class BusyGuard {
public:
    explicit BusyGuard(BusyState& state) : state_(&state) { state_->wait(); }
    ~BusyGuard() { release(); }
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;

    // Leaves the busy state now.
    void release() {
        if (state_)
            state_->unwait();
        state_ = nullptr;
    }

private:
    BusyState* state_;
};

} // namespace kx
