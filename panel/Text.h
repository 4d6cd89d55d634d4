#pragma once

#include "state/Settings.h"

#include <QString>

#include <variant>

class QLabel;
class QLineEdit;

namespace Ui {
class Main;
}

namespace kx {

// A control of the main window whose text the panel writes: a text box or a label; or
// none.
using Text = std::variant<std::monostate, QLineEdit * Ui::Main::*, QLabel * Ui::Main::*>;
void setText(Ui::Main& ui, const Text& control, const QString& text);

// Where an answer read back is shown: `display` gets the prefix and the number, and the
// unit too unless the unit has a control of its own.
struct Shown {
    Text display{};
    Text unit{};
    const char* prefix = "";
};

// The displays of the output frequency, the amplitude and the offset.
namespace shown {
extern const Shown frequency, amplitude, offset;
} // namespace shown

void show(Ui::Main& ui, const Shown& where, const Result::Answer& answer);

// Shows the waveform picture "SINE", "SQUARE" or "RAMP" in `wave`.
void showWavePicture(Ui::Main& ui, const QString& name);

} // namespace kx
