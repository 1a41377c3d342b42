// Port enumeration through the device-setup interface: COM-port device
// interfaces with their friendly name, description and location, the
// serial-device map of the registry, and USB printing-class cutters.
#include "platform/PortEnumeration.h"

#include "platform/win32/Win32Text.h"

#include <setupapi.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/win32/DeviceInterfacePaths.h"

namespace kerfmax {

namespace {

// {86E0D1E0-8089-11D0-9CE4-08003E301F73}: COM-port device interfaces.
constexpr GUID kComPortInterface = {0x86E0D1E0, 0x8089, 0x11D0, {0x9C, 0xE4, 0x08, 0x00, 0x3E, 0x30, 0x1F, 0x73}};
// {28D78FAD-5A12-11D1-AE5B-0000F803A8C2}: USB printing interfaces.
constexpr GUID kUsbPrintInterface = {0x28D78FAD, 0x5A12, 0x11D1, {0xAE, 0x5B, 0x00, 0x00, 0xF8, 0x03, 0xA8, 0xC2}};

constexpr std::size_t kPropertyBytes = 256;
constexpr std::size_t kMapBufferChars = 260;

std::string WithCode(const char* what, DWORD code)
{
    char text[96];
    std::snprintf(text, sizeof text, "%s failed. (err=%lx)", what, static_cast<unsigned long>(code));
    return text;
}

class DeviceSet {
public:
    explicit DeviceSet(const GUID& interfaceClass)
        : m_set(::SetupDiGetClassDevsW(&interfaceClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE))
    {
    }
    ~DeviceSet()
    {
        if (Valid()) ::SetupDiDestroyDeviceInfoList(m_set);
    }
    DeviceSet(const DeviceSet&) = delete;
    DeviceSet& operator=(const DeviceSet&) = delete;
    bool Valid() const { return m_set != INVALID_HANDLE_VALUE; }
    HDEVINFO Get() const { return m_set; }

private:
    HDEVINFO m_set;
};

// The interface's device path, sized by the system; also fills the device's record.
bool InterfacePath(HDEVINFO set, SP_DEVICE_INTERFACE_DATA& interface, SP_DEVINFO_DATA& device, std::string& path,
                   DWORD& error)
{
    DWORD needed = 0;
    ::SetupDiGetDeviceInterfaceDetailW(set, &interface, nullptr, 0, &needed, nullptr);
    if (needed < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) {
        error = ::GetLastError();
        return false;
    }
    std::vector<std::uint64_t> storage(needed / sizeof(std::uint64_t) + 1, 0);
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(storage.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    device = SP_DEVINFO_DATA{};
    device.cbSize = sizeof device;
    if (!::SetupDiGetDeviceInterfaceDetailW(set, &interface, detail, needed, nullptr, &device)) {
        error = ::GetLastError();
        return false;
    }
    path = win32::WideToUtf8(detail->DevicePath);
    return true;
}

bool DeviceProperty(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property, std::string& text)
{
    wchar_t buffer[kPropertyBytes / sizeof(wchar_t)] = {};
    DWORD type = 0;
    if (!::SetupDiGetDeviceRegistryPropertyW(set, &device, property, &type, reinterpret_cast<BYTE*>(buffer),
                                             sizeof buffer - sizeof(wchar_t), nullptr))
        return false;
    text = win32::WideToUtf8(buffer);
    return true;
}

}  // namespace

namespace win32 {

bool IsCutterInterfacePath(std::string_view devicePath)
{
    static const std::string prefix = std::string("\\\\?\\usb#vid_") + kCutterUsbVendor + "&pid_" + kCutterUsbProduct;
    return devicePath.substr(0, prefix.size()) == prefix;
}

std::string CleanPropertyText(std::string text)
{
    for (char& c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7f || c == '<' || c == '>') c = ' ';
    }
    if (text.size() > kPropertyBytes - 1) {
        std::size_t cut = kPropertyBytes - 1;
        while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;  // whole characters
        text.resize(cut);
    }
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace win32

DeviceTreeRoots DeviceTreeRootsFor(const std::string& overrideRoot)
{
    // Only the POSIX back end reads a device tree; the roots are carried along.
    if (!overrideRoot.empty()) return DeviceTreeRootsUnder(overrideRoot);
    const char* fromEnvironment = std::getenv("KERFMAX_DEVICE_ROOT");
    if (fromEnvironment && *fromEnvironment) return DeviceTreeRootsUnder(fromEnvironment);
    return DeviceTreeRoots{};
}

bool EnumerateSerialPorts(const DeviceTreeRoots&, std::vector<SerialPortRecord>& ports, std::string* error)
{
    ports.clear();
    DeviceSet set(kComPortInterface);
    if (!set.Valid()) {
        if (error) *error = WithCode("SetupDiGetClassDevs", ::GetLastError());
        return false;
    }
    for (DWORD index = 0;; ++index) {
        SP_DEVICE_INTERFACE_DATA interface {
        };
        interface.cbSize = sizeof interface;
        if (!::SetupDiEnumDeviceInterfaces(set.Get(), nullptr, &kComPortInterface, index, &interface)) {
            const DWORD code = ::GetLastError();
            if (code == ERROR_NO_MORE_ITEMS) return true;
            if (error) *error = WithCode("SetupDiEnumDeviceInterfaces", code);
            return false;
        }
        SP_DEVINFO_DATA device{};
        SerialPortRecord port;
        DWORD code = 0;
        if (!InterfacePath(set.Get(), interface, device, port.devicePath, code)) {
            if (error) *error = WithCode("SetupDiGetDeviceInterfaceDetail", code);
            return false;
        }
        // Counts only with both a friendly name and a description.
        if (!DeviceProperty(set.Get(), device, SPDRP_FRIENDLYNAME, port.friendlyName) ||
            !DeviceProperty(set.Get(), device, SPDRP_DEVICEDESC, port.description))
            continue;
        port.friendlyName = win32::CleanPropertyText(port.friendlyName);
        port.description = win32::CleanPropertyText(port.description);
        std::string location;
        port.usb = DeviceProperty(set.Get(), device, SPDRP_LOCATION_INFORMATION, location) &&
                   location.compare(0, 3, "USB") == 0;
        ports.push_back(std::move(port));
    }
}

std::vector<SerialPortRecord> ListSerialDeviceMap(const DeviceTreeRoots&)
{
    std::vector<SerialPortRecord> entries;
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return entries;
    for (DWORD index = 0;; ++index) {
        wchar_t name[kMapBufferChars] = {};
        wchar_t data[kMapBufferChars] = {};
        DWORD nameChars = kMapBufferChars;
        DWORD dataBytes = sizeof data - sizeof(wchar_t);
        DWORD type = 0;
        const LONG rc =
            ::RegEnumValueW(key, index, name, &nameChars, nullptr, &type, reinterpret_cast<BYTE*>(data), &dataBytes);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        // A value too long for the buffers, or not text, names no port.
        if (rc != ERROR_SUCCESS || type != REG_SZ) continue;
        SerialPortRecord entry;
        entry.portName = win32::CleanPropertyText(win32::WideToUtf8(data));
        entry.description = win32::CleanPropertyText(win32::WideToUtf8(name));
        if (!entry.portName.empty()) entries.push_back(std::move(entry));
    }
    ::RegCloseKey(key);
    return entries;
}

std::vector<std::string> EnumerateUsbCutters(const DeviceTreeRoots&)
{
    std::vector<std::string> paths;
    DeviceSet set(kUsbPrintInterface);
    if (!set.Valid()) return paths;
    for (DWORD index = 0; paths.size() < kMaxUsbCutters; ++index) {
        SP_DEVICE_INTERFACE_DATA interface {
        };
        interface.cbSize = sizeof interface;
        if (!::SetupDiEnumDeviceInterfaces(set.Get(), nullptr, &kUsbPrintInterface, index, &interface)) break;
        SP_DEVINFO_DATA device{};
        std::string path;
        DWORD code = 0;
        // One interface whose detail cannot be read does not hide the others.
        if (!InterfacePath(set.Get(), interface, device, path, code)) continue;
        if (win32::IsCutterInterfacePath(path)) paths.push_back(std::move(path));
    }
    return paths;
}

}  // namespace kerfmax
