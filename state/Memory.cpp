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
        switch (what) {
        case Store::Save:
            link.processEcho(QStringLiteral("*SAV ") + location);
            link.delaySeconds(1);
            break;
        case Store::Recall:
            link.processEcho(QStringLiteral("*RCL ") + location);
            link.delaySeconds(1);
            break;
        case Store::Factory:
            link.processEcho(QStringLiteral("*RCL 0"));
            break;
        }
        return Result{};
    });
}

} // namespace kx
