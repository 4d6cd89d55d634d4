#pragma once

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

} // namespace kx
