#include "state/Profile.h"

namespace kx {

namespace {

constexpr const char* sineOnly[] = {"Sine"};
constexpr const char* threeShapes[] = {"Sine", "Square", "Triangle"};

constexpr ModelProfile profiles[] = {
    {"KX12A", 12'000'000, 1'000'000, sineOnly, 9},
    {"KX20A", 20'000'000, 2'000'000, threeShapes, 19},
    {"KX25A", 20'000'000, 2'000'000, threeShapes, 19},
};

} // namespace

std::span<const ModelProfile> models() { return profiles; }

const ModelProfile* findModel(const QString& model) {
    for (const ModelProfile& p : profiles) {
        if (model == QLatin1String(p.model))
            return &p;
    }
    return nullptr;
}

} // namespace kx
