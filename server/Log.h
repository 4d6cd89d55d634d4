#pragma once

#include <QString>

namespace kxserver {

// One line on standard error, after the local time: "2026-12-09 14:03:12 text".
void log(const QString& text);

} // namespace kxserver
