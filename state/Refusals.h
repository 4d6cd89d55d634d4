#pragma once

#include <QString>

namespace kx {

// The numbered refusals, codes 4 to 14: why an operation sent nothing, in the words
// the operator reads. The window shows one in a box; a command line prints it.
struct Refusal {
    short code;
    bool warning; // a matter of the connection; otherwise of the value entered
    const char* text;

    // "Connection Error" or "Invalid Input".
    QString title() const;
};

// The refusal numbered `code`; nullptr for any other number.
const Refusal* findRefusal(short code);

} // namespace kx
