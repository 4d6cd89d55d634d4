#pragma once

#include <QString>

#include <memory>

class QProgressDialog;
class QWidget;

namespace kx {

// How far a long operation has come, with a way for the operator to stop it. The real one
// is a progress dialog beside the window; tests put a recorder behind this interface.
class Progress {
public:
    virtual ~Progress() = default;
    // Step `step` of `steps` is under way: `what`, about `secondsLeft` seconds to go.
    virtual void show(int step, int steps, const QString& what, int secondsLeft) = 0;
    // Whether the operator has asked to stop before the next step.
    virtual bool cancelled() = 0;
    // The operation is over.
    virtual void close() = 0;
};

class QtProgress : public Progress {
public:
    QtProgress(QWidget* parent, const QString& title);
    ~QtProgress() override;

    void show(int step, int steps, const QString& what, int secondsLeft) override;
    bool cancelled() override;
    void close() override;

private:
    std::unique_ptr<QProgressDialog> dialog_;
};

} // namespace kx
