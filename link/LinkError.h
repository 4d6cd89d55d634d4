#pragma once

#include <QString>

namespace kx {

// An operation ends early by throwing one of these; the operation runner turns each
// into what the operator sees, after the busy state has ended.

// The port is not open: nothing was sent.
struct PortNotOpen {};

// The device went away mid-operation (cable pulled, simulator gone).
struct ConnectionLost {};

// The program is ending: no further line may be sent.
struct ShuttingDown {};

// The operation could not finish; `message` goes to the status line.
struct OperationFailed {
    QString message;
};

inline OperationFailed noValidAnswer(const QString& query) {
    return {QStringLiteral("No valid answer from the generator to %1").arg(query)};
}

} // namespace kx
