#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

namespace kxtest {

// The whole of the file at `path`; empty when it cannot be read.
inline QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace kxtest
