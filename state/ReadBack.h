#pragma once

#include "state/modVariables.h"

#include <QString>

class QLabel;
class QLineEdit;

namespace Ui {
class Main;
}

namespace kx {

struct PanelContext;

// A control of the main window whose text the panel writes: a text box or a label.
class Text {
public:
    constexpr Text() = default;
    constexpr Text(QLineEdit* Ui::Main::*box) : box_(box) {}
    constexpr Text(QLabel* Ui::Main::*label) : label_(label) {}

    QString get(const Ui::Main& ui) const;
    void set(Ui::Main& ui, const QString& text) const;

private:
    QLineEdit* Ui::Main::*box_ = nullptr;
    QLabel* Ui::Main::*label_ = nullptr;
};

// How a reply is decoded and shown.
enum class Reading {
    OutputFrequency,  // the frequency displays, and the output frequency the checks use
    FrequencyCaption, // prefix, number and unit in one caption: "Start Frequency: 1.00000kHz"
    Level,            // an amplitude or offset display
};

// A query whose answer is shown on the panel.
struct ReadBack {
    const char* query = nullptr; // nullptr: nothing is read back
    Reading reading = Reading::Level;
    Text display{};          // Level and FrequencyCaption
    const char* prefix = ""; // FrequencyCaption
};

// The read-backs that the setting operations and the status refresh share.
namespace readBacks {
inline constexpr ReadBack outputFrequency{"FREQ?", Reading::OutputFrequency};
extern const ReadBack amplitude;
extern const ReadBack offset;
} // namespace readBacks

// Sends the query, decodes its answer (blanks trimmed) and, when it decodes, shows it.
// The one way the panel reads a value back.
modVariables::Decoded readBack(const PanelContext& ctx, const ReadBack& r);

// Sends `query` and returns its answer, blanks trimmed unless `trim` is false.
QString ask(const PanelContext& ctx, const QString& query, bool trim = true);

// Shows the waveform picture "SINE", "SQUARE" or "RAMP" in `wave`.
void showWavePicture(Ui::Main& ui, const QString& name);

} // namespace kx
