#pragma once
// The settings with which a cutter opens its link, built from the Port entry.
#include <cstdint>
#include <string>

namespace kerfmax {

enum LinkType : std::int32_t {
    LINK_USB = 0,      // USB cutter opened by device path
    LINK_VCOM = 1,     // USB virtual COM port: serial link without CTS handshake
    LINK_SERIAL = 2,   // plain serial port: CTS handshake before each chunk
    LINK_NETWORK = 3,  // TCP connection
};

inline constexpr std::int32_t kCutterTcpPort = 5000;
inline constexpr std::int32_t kCutterBaudRate = 38400;

// The default values are the start values of a Port entry that matches
// nothing: a serial link on port 0, which does not open.
struct LinkSettings {
    std::int32_t linkType = LINK_SERIAL;
    std::int32_t comPort = 0;
    std::int32_t baudRate = 0;
    std::string hostAddress;      // dotted IPv4 text of a network cutter
    std::int32_t tcpPort = 0;
    std::uint8_t noAckWait = 0;   // 1 for network links
    std::string usbDevicePath;    // device node / interface path of a USB cutter

    // Serial links only. Where ports are named by device path rather than by
    // number (Linux: "/dev/ttyUSB0", a pty), a non-empty path is opened and
    // comPort is ignored; empty means "the device of comPort".
    std::string serialDevicePath;
};

}  // namespace kerfmax
