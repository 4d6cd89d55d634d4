#include "link/Identify.h"

#include "link/Exchange.h"

namespace kx {

Identity identify(Exchange& link) {
    link.processEcho(QStringLiteral("*IDN?"));
    QString reply = link.readReceived();
    // Blanks only: the line end stays.
    while (reply.startsWith(QLatin1Char(' ')))
        reply.remove(0, 1);
    const qsizetype cr = reply.indexOf(QLatin1Char('\r'));
    if (cr < 0)
        return {};
    Identity id{true, reply.left(cr), {}};
    const qsizetype kx = id.line.indexOf(QLatin1String("KX"));
    if (kx >= 0)
        id.model = id.line.mid(kx, 5);
    return id;
}

} // namespace kx
