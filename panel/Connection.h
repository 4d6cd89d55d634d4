#pragma once

#include "kit/PanelContext.h"
#include "link/PortMap.h"

#include <functional>

namespace kx {

struct PortRefusal;

// The port list, Connect and Close Port as the window shows them: the indicator, the
// enabled states, the shape list and the boxes.
class Connection {
public:
    using Probe = std::function<bool(int port)>;

    // `probe` tells whether port n's device can be opened; by default the real probe.
    Connection(PanelContext ctx, PortMap map, Probe probe = {});

    // Fills comPort with the ports 1..16 whose device opens, and selects the one Connect
    // last opened when it is listed, else the first.
    void ListComPorts();
    // The list is opening: probes the ports again, keeping the selection while it is
    // still there. No box when none is found: that is said once, at start-up.
    void comPort_DropDown();

    void connectBtn_Click();
    void closeBtn_Click();

    // The line went away: the panel shows the port closed.
    void showClosed();

private:
    void connectToGenerator();
    // Connect failed for a reason its "Connection Error" box tells.
    void handleConnectError(const PortRefusal& refusal);
    // Fills the list, emptied, with the ports that open now; false when there is none.
    bool fillPortList();
    void fillModShape();

    PanelContext ctx_;
    PortMap map_;
    Probe probe_;
};

} // namespace kx
