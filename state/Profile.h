#pragma once

#include <QString>

#include <span>

namespace kx {

// What differs between the models of the family. This table is the one place that
// names a model; everything that depends on the connected model looks it up here.
struct ModelProfile {
    const char* model;
    double sineSquareMaxHz; // highest frequency for the sine and the square wave
    double rampMaxHz;       // highest frequency for the ramp
    std::span<const char* const> modulationShapes; // items of the shape list, in order
    int highestMemory;                             // memory locations run from 1 to this
};

// Every model of the family, in order.
std::span<const ModelProfile> models();
// The profile of `model`, exactly as the identification line names it; nullptr for any
// other text.
const ModelProfile* findModel(const QString& model);

// Lowest frequency of every model, hertz.
inline constexpr double lowestFrequencyHz = 0.01;

// What follows a line's keyword: "FUNC SIN" -> "SIN".
inline QString argumentOf(const char* line) {
    return QString::fromLatin1(line).section(QLatin1Char(' '), 1);
}

// The three waveforms: the line that chooses one, the panel's own name for it, and
// its picture. The generator's answer to "FUNC?" begins with the line's argument.
struct Waveform {
    const char* line;
    const char* shape;
    const char* picture;
    QString keyword() const { return argumentOf(line); }
};

inline constexpr Waveform waveforms[] = {
    {"FUNC SIN", "sine", "SINE"},
    {"FUNC SQU", "square", "SQUARE"},
    {"FUNC TRI", "ramp", "RAMP"}, // the generator calls the ramp TRI
};

} // namespace kx
