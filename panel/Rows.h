#pragma once

#include "app/PanelContext.h"
#include "state/ReadBack.h"

#include <functional>
#include <initializer_list>

class QComboBox;
class QLineEdit;

namespace kx {

struct Waveform;

// A front-panel setting is declared as a row, not written out; run() carries it out.

// An accepted range, both ends included, in the entry's base unit.
struct Range {
    double lowest;
    double highest;
};

// Where an entry's limits come from: fixed, or worked out when the button is pressed.
struct Limits {
    constexpr Limits(double lowest, double highest) : fixed{lowest, highest} {}
    constexpr Limits(Range (*from)(modVariables&)) : fixed{0, 0}, from(from) {}
    Range fixed;
    Range (*from)(modVariables&) = nullptr;
};

// The connected model's frequency range for the current waveform.
Range frequencyLimits(modVariables& vars);

// What a refusal does to the entry.
enum class Refused { Empty, Keep };

// A further rule the value (in the base unit) must pass, against what the panel shows.
struct Rule {
    bool (*holds)(double value, const Ui::Main& ui) = nullptr;
    short code = 0; // refused with this code, the entry emptied
};

// Asked of the generator before anything is decided: the answer to `query`, blanks
// trimmed, must begin with `expected`, or the operation is refused with `code` and the
// entry keeps its text. An operation that asks enters the busy state first.
struct Precondition {
    const char* query = nullptr;
    const char* expected = nullptr;
    short code = 0;
};

// A value typed into an entry and sent with its unit.
struct Setting {
    const char* button; // the control whose click runs it
    QLineEdit* Ui::Main::*entry;
    double factor; // entry to base unit
    Limits limits;
    short code; // refusal of a value outside the limits, or of text that is not a number
    Refused refused;
    const char* line; // %1: the entry's text exactly as typed
    ReadBack readBack{};
    Rule rule{};
    Precondition asks{};
};

// Where the busy state starts in an operation of fixed lines.
enum class Busy {
    Throughout,     // before the first line
    AfterFirstLine, // once the first line and its pause are done
    Never,
};

// A text set on the panel.
struct Caption {
    Text control;
    const char* text;
};

// One item of a choice list: what choosing it sends and shows.
struct Choice {
    std::initializer_list<const char*> lines;
    std::initializer_list<Caption> captions;
};

// Refused with `code` while `control` shows `text`, letter case aside.
struct Guard {
    Text control{};
    const char* text = nullptr;
    short code = 0;
};

// Fixed lines: a button that sends the same lines each time, or lines chosen by the
// selected item of a choice list, and the captions they set.
struct Lines {
    const char* button;
    Busy busy;
    std::initializer_list<const char*> lines{}; // always sent, in order
    std::initializer_list<Caption> captions{};  // then set, in order
    QComboBox* Ui::Main::*list = nullptr;       // then, by its selected item...
    std::initializer_list<Choice> choices{};    // ...that item's lines and captions
    Guard guard{};
    const Waveform* waveform = nullptr; // its line goes first; then recorded and shown
};

// Carry out a row through the operation runner: with no port open, nothing is sent
// and the operator is told; a refusal shows its numbered message and sends nothing.
void run(const PanelContext& ctx, const Setting& row);
void run(const PanelContext& ctx, const Lines& row);

// The position of the item the list shows, or -1 when it shows typed text or nothing.
int selectedItem(const QComboBox* list);

// Shows refusal `code` and empties `entry` or not.
void refuse(const PanelContext& ctx, short code, QLineEdit* entry, Refused refused);

// Connects each named button of the window to its handler.
template <class Unit> struct Click {
    const char* button;
    void (Unit::*handler)();
};
void connectClick(Ui::Main& ui, const char* button, std::function<void()> handler);
template <class Unit, size_t N>
void wire(Ui::Main& ui, Unit* unit, const Click<Unit> (&clicks)[N]) {
    for (const Click<Unit>& c : clicks)
        connectClick(ui, c.button, [unit, h = c.handler] { (unit->*h)(); });
}

} // namespace kx
