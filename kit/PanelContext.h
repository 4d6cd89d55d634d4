#pragma once

namespace Ui {
class Main;
}

namespace kx {

class BusyState;
class Exchange;
class MessageBoxes;
class Operations;
class modVariables;

// What an operation works with: the window's controls, the exchange with the
// generator, the shared state, the busy state, the runner that keeps operations from
// overlapping, and the message boxes.
struct PanelContext {
    Ui::Main& ui;
    Exchange& link;
    modVariables& vars;
    BusyState& busy;
    Operations& ops;
    MessageBoxes& boxes;
};

} // namespace kx
