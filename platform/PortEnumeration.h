#pragma once
// Finding the ports a cutter may hang on: the machine's serial ports and the
// attached USB printing-class cutters. One interface; the POSIX back end reads
// sysfs (and udev's data files), the Windows one the device-setup interface
// and the serial-device map of the registry.
#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace kerfmax {

// Where the device tree lives. Only the POSIX back end reads these; tests hand
// in a fake tree.
struct DeviceTreeRoots {
    std::filesystem::path sysfs = "/sys";
    std::filesystem::path dev = "/dev";
    std::filesystem::path udevData = "/run/udev/data";
};

// The same layout below another folder: root/sys, root/dev, root/run/udev/data.
inline DeviceTreeRoots DeviceTreeRootsUnder(const std::filesystem::path& root)
{
    return DeviceTreeRoots{root / "sys", root / "dev", root / "run" / "udev" / "data"};
}

// The tree below overrideRoot when it is not empty, else below the folder named
// by the environment variable KERFMAX_DEVICE_ROOT when set (both for testing),
// else the system's own.
DeviceTreeRoots DeviceTreeRootsFor(const std::string& overrideRoot);

// One serial port as the platform reports it. Fields left empty are completed
// by the caller from the others.
struct SerialPortRecord {
    std::string devicePath;     // what opens the port, e.g. /dev/ttyUSB0
    std::string portName;       // e.g. ttyUSB0 or COM3; may be empty
    std::string friendlyName;   // e.g. "FT232R USB UART (ttyUSB0)"
    bool usb = false;           // the port sits on a USB bus
    std::string description;    // e.g. "FT232R USB UART"
};

// The present serial ports (the device-setup walk). Returns false with the
// failure text in *error; the list then holds what was found before it.
bool EnumerateSerialPorts(const DeviceTreeRoots& roots, std::vector<SerialPortRecord>& ports,
                          std::string* error);

// The serial-device map: port name and the kernel's name for it. Empty where
// the platform keeps none.
std::vector<SerialPortRecord> ListSerialDeviceMap(const DeviceTreeRoots& roots);

// Vendor and product that mark a USB cutter.
inline constexpr char kCutterUsbVendor[] = "0483";
inline constexpr char kCutterUsbProduct[] = "5448";
inline constexpr std::size_t kMaxUsbCutters = 10;

// Device paths of attached USB cutters (printing class, the vendor and product
// above), in the platform's order, at most kMaxUsbCutters.
std::vector<std::string> EnumerateUsbCutters(const DeviceTreeRoots& roots);

}  // namespace kerfmax
