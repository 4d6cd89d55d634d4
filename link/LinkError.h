#pragma once

#include <QString>

namespace kx {

// The exchange ends an operation early by throwing one of these. The operations on
// the generator (state/Settings.h) turn a lost line and an unanswered question into
// their result; the window's runner turns the rest into what the operator sees, after
// the busy state has ended.

// The port is not open: nothing was sent.
struct PortNotOpen {};

// The device went away mid-operation (cable pulled, simulator gone).
struct ConnectionLost {};

// The program is ending: no further line may be sent.
struct ShuttingDown {};

// The operation could not finish; `message` goes to the status line. `query` names
// the question that got no valid answer, when that is why.
struct OperationFailed {
    QString message;
    QString query = {};
};

inline OperationFailed noValidAnswer(const QString& query) {
    return {QStringLiteral("No valid answer from the generator to %1").arg(query), query};
}

} // namespace kx
