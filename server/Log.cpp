#include "server/Log.h"

#include <QDateTime>

#include <cstdio>

namespace kxserver {

void log(const QString& text) {
    const QByteArray line =
        (QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss ")) + text +
         QLatin1Char('\n'))
            .toLocal8Bit();
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stderr);
    std::fflush(stderr);
}

} // namespace kxserver
