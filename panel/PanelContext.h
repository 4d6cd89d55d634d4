#pragma once

#include <QString>

namespace Ui {
class Main;
}

namespace kx {

class BusyState;
class ErrorCatalog;
class Exchange;
class MessageBoxes;
class Operations;
class modVariables;

// What an operation unit works with: the window's controls, the exchange with the
// generator, the shared state, the busy state, the refusal catalogue and the runner
// that keeps operations from overlapping.
struct PanelContext {
    Ui::Main& ui;
    Exchange& link;
    modVariables& vars;
    BusyState& busy;
    ErrorCatalog& errors;
    Operations& ops;
    MessageBoxes& boxes;
};

// Removes blanks (spaces only) from both ends; CR and LF stay.
QString trimBlanks(const QString& text);

// Shows the waveform picture "SINE", "SQUARE" or "RAMP" in `wave`.
void showWavePicture(Ui::Main& ui, const QString& name);

} // namespace kx
