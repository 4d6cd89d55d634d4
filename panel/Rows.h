#pragma once

#include "kit/PanelContext.h"
#include "state/Settings.h"

#include <QString>

#include <span>
#include <variant>

class QComboBox;
class QLabel;
class QLineEdit;

namespace kx {

// A front-panel control runs a setting or a command of the generator (state/Settings.h).
// Its row says only what the window adds: the button, the entry or the list it reads,
// what a refusal does to the entry, and what is shown afterwards. run() carries it out.

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

// What a refusal of the typed value does to the entry.
enum class Refused { Empty, Keep };

// A value typed into an entry.
struct SettingRow {
    const char* button; // the control whose click runs it
    const Setting* setting;
    const char* unit; // one of the setting's units, by name
    QLineEdit* Ui::Main::*entry;
    // For the value's own refusal. A rule's refusal always empties the entry; a refusal
    // on the generator's answer always keeps it.
    Refused refused = Refused::Empty;
    Shown shown{}; // where the answer read back goes
};

// `row` for another unit of its setting, on that unit's own button.
inline SettingRow inUnit(SettingRow row, const char* button, const char* unit) {
    row.button = button;
    row.unit = unit;
    return row;
}

// A text set once the command's lines have gone: always, or when option `option` was
// chosen.
struct Caption {
    Text control;
    const char* text;
    int option = -1; // -1: always
};

// Fixed lines, or lines chosen by the selected item of a list, and the captions they set.
struct CommandRow {
    const char* button;
    const Command* command;
    std::span<const Caption> captions{};
    QComboBox* Ui::Main::*list = nullptr; // its selected item is the command's option
};

// Carry out a row through the operation runner, in the busy state once the first line
// is going: with no port open, nothing is sent and the operator is told; a refusal
// shows its numbered message and sends nothing.
void run(const PanelContext& ctx, const SettingRow& row);
void run(const PanelContext& ctx, const CommandRow& row);

// The parts of the shared state the checks take from what the window shows: the
// amplitude, the offset and the mode.
void takeShown(const PanelContext& ctx);
// Sets the captions that apply to `option`, in order.
void setCaptions(Ui::Main& ui, std::span<const Caption> captions, int option);
// Throws what the runner reports for a result that is neither done nor refused.
void raise(const Result& result);

// The position of the item the list shows, or -1 when it shows typed text or nothing.
int selectedItem(const QComboBox* list);

// Shows refusal `code` and empties `entry` or not.
void refuse(const PanelContext& ctx, short code, QLineEdit* entry, Refused refused);

// A button of the window, by name, and its handler.
struct Click {
    const char* button;
    void (*handler)(const PanelContext& ctx);
};
// Connects each button to its handler, which is called with `ctx`.
void wire(const PanelContext& ctx, std::span<const Click> clicks);

} // namespace kx
