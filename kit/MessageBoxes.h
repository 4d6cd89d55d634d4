#pragma once

#include "state/Refusals.h"

#include <QString>

class QWidget;

namespace kx {

// Modal message boxes, behind an interface so tests can record them instead.
class MessageBoxes {
public:
    enum class Icon { Warning, Stop, Question };
    enum class Answer { Ok, Yes, No };

    virtual ~MessageBoxes() = default;
    // A box with one OK button.
    virtual void inform(Icon icon, const QString& title, const QString& text) = 0;
    // A box with Yes and No buttons.
    virtual Answer ask(Icon icon, const QString& title, const QString& text) = 0;
};

class QtMessageBoxes final : public MessageBoxes {
public:
    explicit QtMessageBoxes(QWidget* parent) : parent_(parent) {}
    void inform(Icon icon, const QString& title, const QString& text) override;
    Answer ask(Icon icon, const QString& title, const QString& text) override;

private:
    QWidget* parent_;
};

// Shows the box of numbered refusal `code` (state/Refusals.h): a warning for a matter of
// the connection, a stop sign otherwise; returns once the operator has closed it. A code
// outside 4..14 shows nothing.
void showError(MessageBoxes& boxes, short code);

// Shows the "Connection Error" warning box of `refusal` (state/Refusals.h).
void showError(MessageBoxes& boxes, const PortRefusal& refusal);

} // namespace kx
