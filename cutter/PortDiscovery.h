#pragma once
// The Port list of the main window: the machine's serial ports, one network
// entry and one entry per attached USB cutter; and the way back from the chosen
// entry's text to the settings that open its link. Also the manufacturer rows
// as the (hidden) manufacturer list shows them.
#include <cstdint>
#include <string>
#include <vector>

#include "cutter/LinkSettings.h"
#include "platform/PortEnumeration.h"

namespace kerfmax {

class Notifier;

// One discovered serial port.
struct SSerInfo {
    std::string devicePath;  // what opens the port
    std::string portName;  // COM3, ttyUSB0
    std::string friendlyName;  // USB Serial Port (COM3)
    std::int32_t usbFlag = 0;  // 1 when the port sits on USB
    std::string description;  // USB Serial Port
};

// The network entry in the given interface language (1 Chinese, else English).
inline constexpr char kNetworkPortEnglish[] = "Network Port";
inline constexpr char kNetworkPortChinese[] = "网络端口";
const char* NetworkPortText(int language);
// True for the network entry in either language: the IP address field is
// enabled only then.
bool IsNetworkPortText(const std::string& portText);

// Fills empty fields from the others: the friendly name from the port name, the
// description and the port name from a friendly name of the form "Text (NAME)".
void CompleteSerialInfo(SSerInfo& info);

// The enumerated ports first, then the serial-device map entries whose port
// name none of them has; all map entries when nothing was enumerated.
std::vector<SSerInfo> MergeSerialLists(std::vector<SSerInfo> enumerated, std::vector<SSerInfo> deviceMap);

// "COM3<USB Serial Port>", "ttyUSB0<FT232R USB UART>".
std::string SerialEntryText(const SSerInfo& info);

// "USB_0", "USB_1", ...
std::string UsbEntryText(std::size_t index);

// What one Refresh Serial No. found, and the Port list it gives.
struct PortListing {
    std::vector<SSerInfo> serialPorts;
    std::vector<std::string> usbCutterPaths;  // the entry USB_n stands for path n
    std::vector<std::string> entries;  // the Port list, in order
    std::string error;  // why the serial enumeration stopped, if it did
};

// Rebuilds the Port list. A failed serial enumeration is reported through the
// notifier and the list is still built from what was found.
PortListing RefreshPortList(int language, const DeviceTreeRoots& roots, Notifier& notifier);

// The link the chosen Port text stands for:
//  - the network entry of the current language: TCP to ipText, port 5000;
//  - "COM<n>...": serial port n at 38400 (the virtual COM link when ticked);
//  - a device path ("/dev/ttyUSB0") or a listed tty ("ttyUSB0<...>"): that
//    serial device at 38400 (the virtual COM link when ticked);
//  - "USB_<n>": the n-th USB cutter of the last refresh;
//  - anything else: a serial link on port 0, which does not open.
LinkSettings BuildLinkSettings(const std::string& portText, const std::string& networkPortText,
                               const std::string& ipText, bool virtualCom,
                               const std::vector<std::string>& usbCutterPaths);

// The manufacturer rows' labels in the given language (1 Chinese, else English).
std::vector<std::string> ManufacturerLabels(int language);

}  // namespace kerfmax
