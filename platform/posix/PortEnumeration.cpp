// Port enumeration from sysfs. Serial ports are the tty class entries that have
// a device behind them; USB cutters are usblp printer devices (class usbmisc,
// names lpN) whose USB device carries the cutter's vendor and product.
#include "platform/PortEnumeration.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

namespace kerfmax {

namespace {

constexpr std::size_t kMaxPropertyLength = 255;   // the Windows property buffers hold 256 bytes

std::string ReadFirstLine(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::string line;
    if (!in || !std::getline(in, line)) return {};
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) line.pop_back();
    return line;
}

// Device strings come from the gadget itself: keep them printable and short, so
// they cannot break the "name<description>" form of a Port entry.
std::string CleanDeviceString(std::string text)
{
    for (char& c : text) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7f || c == '<' || c == '>') c = ' ';
    }
    if (text.size() > kMaxPropertyLength) text.resize(kMaxPropertyLength);
    auto notSpace = [](unsigned char c) { return !std::isspace(c); };
    text.erase(text.begin(), std::find_if(text.begin(), text.end(), notSpace));
    text.erase(std::find_if(text.rbegin(), text.rend(), notSpace).base(), text.end());
    return text;
}

bool StartsWith(const std::string& text, const char* prefix)
{
    return text.rfind(prefix, 0) == 0;
}

// "ttyUSB10" sorts after "ttyUSB9": prefix first, then the trailing number.
bool NaturalLess(const std::string& a, const std::string& b)
{
    auto split = [](const std::string& s) {
        std::size_t digits = s.size();
        while (digits > 0 && std::isdigit(static_cast<unsigned char>(s[digits - 1]))) --digits;
        long number = digits < s.size() ? std::stol(s.substr(digits, 9)) : -1;
        return std::make_pair(s.substr(0, digits), number);
    };
    auto sa = split(a), sb = split(b);
    if (sa != sb) return sa < sb;
    return a < b;
}

// Entries of a class folder, sorted; an absent folder has none.
bool ListClassEntries(const fs::path& folder, std::vector<std::string>& names, std::string* error)
{
    std::error_code ec;
    if (!fs::exists(folder, ec)) return true;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        names.push_back(it->path().filename().string());
    if (ec) {
        if (error) *error = "Could not read " + folder.string() + ": " + ec.message();
        return false;
    }
    std::sort(names.begin(), names.end(), NaturalLess);
    return true;
}

// The USB interface and USB device above a device folder, when it sits on USB.
struct UsbAncestors {
    fs::path interface;
    fs::path device;
};

UsbAncestors FindUsbAncestors(const fs::path& classEntry, const fs::path& sysfsRoot)
{
    UsbAncestors found;
    std::error_code ec;
    fs::path dir = fs::canonical(classEntry / "device", ec);
    if (ec) return found;
    fs::path stop = fs::weakly_canonical(sysfsRoot, ec);
    for (; !dir.empty() && dir != stop && dir != dir.root_path(); dir = dir.parent_path()) {
        if (found.interface.empty() && fs::exists(dir / "bInterfaceClass", ec)) found.interface = dir;
        if (fs::exists(dir / "idVendor", ec)) {
            found.device = dir;
            break;
        }
    }
    return found;
}

// udev keeps a device's properties in c<major>:<minor>; ID_MODEL_ENC has the
// model string with blanks escaped, ID_MODEL the same with underscores.
std::string UdevModel(const fs::path& classEntry, const fs::path& udevData)
{
    std::string numbers = ReadFirstLine(classEntry / "dev");
    if (numbers.empty()) return {};
    std::ifstream in(udevData / ("c" + numbers));
    std::string line, encoded, plain;
    while (std::getline(in, line)) {
        if (StartsWith(line, "E:ID_MODEL_ENC=")) encoded = line.substr(15);
        else if (StartsWith(line, "E:ID_MODEL=")) plain = line.substr(11);
    }
    if (!encoded.empty()) {
        std::string decoded;
        for (std::size_t i = 0; i < encoded.size(); ++i) {
            if (encoded[i] == '\\' && i + 3 < encoded.size() && encoded[i + 1] == 'x' &&
                std::isxdigit(static_cast<unsigned char>(encoded[i + 2])) &&
                std::isxdigit(static_cast<unsigned char>(encoded[i + 3]))) {
                decoded += static_cast<char>(std::stoi(encoded.substr(i + 2, 2), nullptr, 16));
                i += 3;
            } else {
                decoded += encoded[i];
            }
        }
        return decoded;
    }
    std::replace(plain.begin(), plain.end(), '_', ' ');
    return plain;
}

std::string DescribeSerialPort(const fs::path& classEntry, const UsbAncestors& usb,
                               const fs::path& udevData)
{
    std::string text;
    if (!usb.device.empty()) text = CleanDeviceString(ReadFirstLine(usb.device / "product"));
    if (text.empty() && !usb.interface.empty())
        text = CleanDeviceString(ReadFirstLine(usb.interface / "interface"));
    if (text.empty()) text = CleanDeviceString(UdevModel(classEntry, udevData));
    if (text.empty()) text = usb.device.empty() ? "Communications Port" : "USB Serial Port";
    return text;
}

bool IsSerialTtyName(const std::string& name)
{
    return StartsWith(name, "ttyS") || StartsWith(name, "ttyUSB") || StartsWith(name, "ttyACM");
}

// The kernel keeps a ttyS entry for every possible 8250 port; type 0 means no
// UART answered there.
bool IsUnpopulatedLegacyPort(const std::string& name, const fs::path& classEntry)
{
    if (!StartsWith(name, "ttyS") || StartsWith(name, "ttySAC")) return false;
    std::string type = ReadFirstLine(classEntry / "type");
    return type == "0";
}

}  // namespace

DeviceTreeRoots DeviceTreeRootsFor(const std::string& overrideRoot)
{
    if (!overrideRoot.empty()) return DeviceTreeRootsUnder(overrideRoot);
    const char* fromEnvironment = std::getenv("KERFMAX_DEVICE_ROOT");
    if (fromEnvironment && *fromEnvironment) return DeviceTreeRootsUnder(fromEnvironment);
    return DeviceTreeRoots{};
}

bool EnumerateSerialPorts(const DeviceTreeRoots& roots, std::vector<SerialPortRecord>& ports,
                          std::string* error)
{
    ports.clear();
    const fs::path classFolder = roots.sysfs / "class" / "tty";
    std::vector<std::string> names;
    if (!ListClassEntries(classFolder, names, error)) return false;
    for (const std::string& name : names) {
        const fs::path entry = classFolder / name;
        std::error_code ec;
        if (!IsSerialTtyName(name) || !fs::exists(entry / "device", ec)) continue;
        if (IsUnpopulatedLegacyPort(name, entry)) continue;
        UsbAncestors usb = FindUsbAncestors(entry, roots.sysfs);
        SerialPortRecord port;
        port.devicePath = (roots.dev / name).string();
        port.portName = name;
        port.description = DescribeSerialPort(entry, usb, roots.udevData);
        port.friendlyName = port.description + " (" + name + ")";
        port.usb = !usb.device.empty();
        ports.push_back(std::move(port));
    }
    return true;
}

std::vector<SerialPortRecord> ListSerialDeviceMap(const DeviceTreeRoots&)
{
    // Linux keeps no separate map: every port the kernel knows is in the tty class.
    return {};
}

std::vector<std::string> EnumerateUsbCutters(const DeviceTreeRoots& roots)
{
    std::vector<std::string> paths;
    const fs::path classFolder = roots.sysfs / "class" / "usbmisc";
    std::vector<std::string> names;
    if (!ListClassEntries(classFolder, names, nullptr)) return paths;
    for (const std::string& name : names) {
        if (!StartsWith(name, "lp")) continue;
        UsbAncestors usb = FindUsbAncestors(classFolder / name, roots.sysfs);
        if (usb.device.empty()) continue;
        if (ReadFirstLine(usb.device / "idVendor") != kCutterUsbVendor ||
            ReadFirstLine(usb.device / "idProduct") != kCutterUsbProduct)
            continue;
        paths.push_back((roots.dev / "usb" / name).string());
        if (paths.size() == kMaxUsbCutters) break;
    }
    return paths;
}

}  // namespace kerfmax
