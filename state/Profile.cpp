#include "state/Profile.h"

namespace kx {

namespace {

const ModelProfile profiles[] = {
    {"KX12A", 12'000'000, 1'000'000, {"Sine"}, 9},
    {"KX20A", 20'000'000, 2'000'000, {"Sine", "Square", "Triangle"}, 19},
    {"KX25A", 20'000'000, 2'000'000, {"Sine", "Square", "Triangle"}, 19},
};

} // namespace

const ModelProfile* findModel(const QString& model) {
    for (const ModelProfile& p : profiles) {
        if (model == QLatin1String(p.model))
            return &p;
    }
    return nullptr;
}

} // namespace kx
