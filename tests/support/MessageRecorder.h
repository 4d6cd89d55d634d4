#pragma once

#include "kit/MessageBoxes.h"

#include <QList>
#include <QString>

#include <functional>
#include <utility>

namespace kxtest {

// Stands in for the message boxes: keeps every box shown and answers questions from
// a list.
class MessageRecorder final : public kx::MessageBoxes {
public:
    struct Box {
        Icon icon;
        QString title;
        QString text;
        bool operator==(const Box&) const = default;
    };

    void inform(Icon icon, const QString& title, const QString& text) override {
        boxes << Box{icon, title, text};
        if (auto hook = std::exchange(duringNextBox, nullptr))
            hook();
    }
    Answer ask(Icon icon, const QString& title, const QString& text) override {
        boxes << Box{icon, title, text};
        return answers.isEmpty() ? Answer::No : answers.takeFirst();
    }

    QList<Box> boxes;
    QList<Answer> answers;
    // Runs while the next box is up, once, as the world going on behind a modal box.
    std::function<void()> duringNextBox;
};

} // namespace kxtest
