#pragma once

#include "app/MessageBoxes.h"

#include <QList>
#include <QString>

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
    }
    Answer ask(Icon icon, const QString& title, const QString& text) override {
        boxes << Box{icon, title, text};
        return answers.isEmpty() ? Answer::No : answers.takeFirst();
    }

    QList<Box> boxes;
    QList<Answer> answers;
};

} // namespace kxtest
