#pragma once

#include <QString>

namespace kx {

// How port number n (1..16) maps to a device. A symbolic link named comN in the
// folder kx-panel/ports of the user's configuration directory comes first; it may
// point at any serial device, a /dev/serial/by-id name or a pseudo-terminal.
// Otherwise 1-4 are /dev/ttyS0-3, 5-12 /dev/ttyUSB0-7 and 13-16 /dev/ttyACM0-3.
class PortMap {
public:
    static constexpr int firstPort = 1;
    static constexpr int lastPort = 16;

    // `configDir` is the user's configuration directory; empty means $XDG_CONFIG_HOME,
    // else ~/.config.
    explicit PortMap(QString configDir = {});

    // The user's configuration directory, as resolved.
    QString configDir() const { return configDir_; }
    // The folder that holds the comN links.
    QString linkFolder() const;
    // The device of port n, or empty text for a number outside 1..16.
    QString device(int n) const;
    // The device the default table gives port n, whatever links exist.
    static QString defaultDevice(int n);
    // The default table as the operator reads it: "1-4 /dev/ttyS0-3, 5-12 /dev/ttyUSB0-7,
    // 13-16 /dev/ttyACM0-3".
    static QString numbering();
    // Port n as the operator is told of it: "port 3 (/dev/ttyS2)".
    QString name(int n) const;
    // Where to look when none opens: "the ports are <numbering>, unless a link comN in
    // <link folder> names another device".
    QString whereToLook() const;

    // The port Connect last opened, kept in kx-panel/last-port; 0 when none is kept.
    int rememberedPort() const;
    // Keeps port n as the one Connect last opened. A file that cannot be written only
    // means the next start chooses the first port listed.
    void rememberPort(int n) const;

private:
    QString configDir_;
};

} // namespace kx
