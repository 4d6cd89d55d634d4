#pragma once

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

// What an operation works with: the window's controls, the exchange with the
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

} // namespace kx
