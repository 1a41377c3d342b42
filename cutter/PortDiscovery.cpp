#include "cutter/PortDiscovery.h"

#include <cstdio>
#include <utility>

#include "platform/Notifier.h"
#include "cutter/Dialect.h"

namespace kerfmax {

namespace {

// Position of " (" in "Text (NAME)" when the first ")" ends the text; npos otherwise.
std::size_t NameInParenthesesAt(const std::string& text)
{
    std::size_t open = text.find(" (");
    if (open == std::string::npos || open == 0) return std::string::npos;
    std::size_t close = text.find(')');
    if (close != text.size() - 1) return std::string::npos;
    return open;
}

SSerInfo ToSerInfo(const SerialPortRecord& record)
{
    SSerInfo info;
    info.devicePath = record.devicePath;
    info.portName = record.portName;
    info.friendlyName = record.friendlyName;
    info.usbFlag = record.usb ? 1 : 0;
    info.description = record.description;
    return info;
}

std::vector<SSerInfo> ToSerInfos(const std::vector<SerialPortRecord>& records)
{
    std::vector<SSerInfo> infos;
    infos.reserve(records.size());
    for (const SerialPortRecord& record : records) infos.push_back(ToSerInfo(record));
    return infos;
}

bool StartsWith(const std::string& text, const char* prefix)
{
    return text.rfind(prefix, 0) == 0;
}

// A kernel device name as listed: letters, digits and underscores only, so the
// text can never reach outside /dev.
bool IsPlainDeviceName(const std::string& name)
{
    if (name.empty()) return false;
    for (char c : name) {
        bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
        if (!ok) return false;
    }
    return true;
}

void SetSerial(LinkSettings& settings, bool virtualCom)
{
    settings.baudRate = kCutterBaudRate;
    settings.linkType = virtualCom ? LINK_VCOM : LINK_SERIAL;
}

}  // namespace

const char* NetworkPortText(int language)
{
    return language == 1 ? kNetworkPortChinese : kNetworkPortEnglish;
}

bool IsNetworkPortText(const std::string& portText)
{
    return portText == kNetworkPortEnglish || portText == kNetworkPortChinese;
}

void CompleteSerialInfo(SSerInfo& info)
{
    if (info.friendlyName.empty()) info.friendlyName = info.portName;
    if (info.description.empty()) {
        info.description = info.friendlyName;
        std::size_t open = NameInParenthesesAt(info.description);
        if (open != std::string::npos) info.description.erase(open);
    }
    if (info.portName.empty()) {
        info.portName = info.friendlyName;
        std::size_t open = NameInParenthesesAt(info.portName);
        if (open != std::string::npos) info.portName = info.portName.substr(open + 2, info.portName.size() - open - 3);
    }
}

std::vector<SSerInfo> MergeSerialLists(std::vector<SSerInfo> enumerated, std::vector<SSerInfo> deviceMap)
{
    if (enumerated.empty()) return deviceMap;
    for (SSerInfo& mapped : deviceMap) {
        for (const SSerInfo& found : enumerated) {
            if (mapped.portName == found.portName) {
                mapped.portName.clear();
                break;
            }
        }
        if (!mapped.portName.empty()) enumerated.push_back(std::move(mapped));
    }
    return enumerated;
}

std::string SerialEntryText(const SSerInfo& info)
{
    return info.portName + "<" + info.description + ">";
}

std::string UsbEntryText(std::size_t index)
{
    return "USB_" + std::to_string(index);
}

PortListing RefreshPortList(int language, const DeviceTreeRoots& roots, Notifier& notifier)
{
    PortListing listing;
    std::vector<SerialPortRecord> found;
    if (!EnumerateSerialPorts(roots, found, &listing.error)) notifier.Notify(listing.error);
    std::vector<SSerInfo> enumerated = ToSerInfos(found);
    for (SSerInfo& info : enumerated) CompleteSerialInfo(info);

    listing.serialPorts = MergeSerialLists(std::move(enumerated), ToSerInfos(ListSerialDeviceMap(roots)));
    for (const SSerInfo& info : listing.serialPorts) listing.entries.push_back(SerialEntryText(info));
    listing.entries.push_back(NetworkPortText(language));

    listing.usbCutterPaths = EnumerateUsbCutters(roots);
    for (std::size_t i = 0; i < listing.usbCutterPaths.size(); ++i) listing.entries.push_back(UsbEntryText(i));
    return listing;
}

LinkSettings BuildLinkSettings(const std::string& portText, const std::string& networkPortText,
                               const std::string& ipText, bool virtualCom,
                               const std::vector<std::string>& usbCutterPaths)
{
    LinkSettings settings;
    if (portText == networkPortText) {
        settings.linkType = LINK_NETWORK;
        settings.hostAddress = ipText;
        settings.tcpPort = kCutterTcpPort;
        settings.noAckWait = 1;
    } else if (StartsWith(portText, "COM")) {
        int number = 0;
        if (std::sscanf(portText.c_str(), "COM%d", &number) == 1) settings.comPort = number;
        SetSerial(settings, virtualCom);
    } else if (StartsWith(portText, "USB")) {
        int number = -1;
        settings.linkType = LINK_USB;
        if (std::sscanf(portText.c_str(), "USB_%d", &number) == 1 && number >= 0 &&
            static_cast<std::size_t>(number) < usbCutterPaths.size())
            settings.usbDevicePath = usbCutterPaths[static_cast<std::size_t>(number)];
    } else if (StartsWith(portText, "/")) {
        settings.serialDevicePath = portText;
        SetSerial(settings, virtualCom);
    } else if (StartsWith(portText, "tty")) {
        std::string name = portText.substr(0, portText.find('<'));
        if (IsPlainDeviceName(name)) {
            settings.serialDevicePath = "/dev/" + name;
            SetSerial(settings, virtualCom);
        }
    }
    return settings;
}

std::vector<std::string> ManufacturerLabels(int language)
{
    std::vector<std::string> labels;
    for (const CutterDevice& row : ManufacturerTable())
        labels.push_back(language == 1 ? row.chineseLabel : row.englishLabel);
    return labels;
}

}  // namespace kerfmax
