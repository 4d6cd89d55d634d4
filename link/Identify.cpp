#include "link/Identify.h"

#include "link/Exchange.h"

namespace kx {

Identity identify(Exchange& link) {
    link.processEcho(QStringLiteral("*IDN?"));
    QString reply = link.readReceived();
    // Blanks only: the line end stays.
    while (reply.startsWith(QLatin1Char(' ')))
        reply.remove(0, 1);
    if (!reply.contains(QLatin1Char('\r')))
        return {};
    Identity id{true, firstLine(reply), {}};
    const qsizetype kx = id.line.indexOf(QLatin1String("KX"));
    if (kx >= 0)
        id.model = id.line.mid(kx, 5);
    return id;
}

} // namespace kx
