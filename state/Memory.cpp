#include "state/Memory.h"

#include "link/Exchange.h"
#include "state/Number.h"
#include "state/Profile.h"

namespace kx {

QString memoryLocationProblem(const QString& model, const QString& text) {
    const ModelProfile* profile = findModel(model);
    const int highest = profile ? profile->highestMemory : 0;
    const auto value = parseNumber(text);
    if (!value)
        return QStringLiteral("Enter number only. For KX12A: Valid numbers: 1-9 .For "
                              "KX20A/KX25A: Valid numbers: 1-19");
    if (*value < 1 || *value > highest)
        return QStringLiteral("Number outside of valid range.");
    return {};
}

Result store(Exchange& link, Store what, const QString& location) {
    return guarded([&] {
        if (what == Store::Factory)
            link.processEcho(QStringLiteral("*RCL 0"));
        else
            link.processEcho(
                (what == Store::Save ? QStringLiteral("*SAV ") : QStringLiteral("*RCL ")) +
                location);
        link.delaySeconds(what == Store::Factory ? 0 : 1);
        return Result{};
    });
}

} // namespace kx
