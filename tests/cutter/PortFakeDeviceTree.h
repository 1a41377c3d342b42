#pragma once
// A small sysfs/dev/udev tree laid out as the kernel lays it out: class
// entries are links into /sys/devices, USB devices carry idVendor/idProduct and
// strings, interfaces carry bInterfaceClass.
#include <filesystem>
#include <string>

#include "platform/PortEnumeration.h"
#include "support/TestSupport.h"

namespace kerfmax::test {

class FakeDeviceTree {
public:
    explicit FakeDeviceTree(const std::filesystem::path& root) : m_roots(DeviceTreeRootsUnder(root))
    {
        for (const auto& p : {m_roots.sysfs / "class" / "tty", m_roots.sysfs / "class" / "usbmisc", m_roots.dev / "usb",
                              m_roots.udevData})
            std::filesystem::create_directories(p);
    }

    const DeviceTreeRoots& Roots() const { return m_roots; }

    // A USB device (port path like "1-3") with one interface "1-3:1.0".
    std::filesystem::path AddUsbDevice(const std::string& port, const std::string& vendor, const std::string& product,
                                       const std::string& productString, const std::string& interfaceString = "")
    {
        auto device = m_roots.sysfs / "devices" / "pci0000:00" / "usb1" / port;
        auto interface = device / (port + ":1.0");
        std::filesystem::create_directories(interface);
        WriteFileBytes(device / "idVendor", vendor + "\n");
        WriteFileBytes(device / "idProduct", product + "\n");
        if (!productString.empty()) WriteFileBytes(device / "product", productString + "\n");
        WriteFileBytes(interface / "bInterfaceClass", "ff\n");
        if (!interfaceString.empty()) WriteFileBytes(interface / "interface", interfaceString + "\n");
        return interface;
    }

    // A tty whose device is `deviceDir` (or, when empty, a tty without device).
    void AddTty(const std::string& name, const std::filesystem::path& deviceDir, const std::string& devNumbers = "")
    {
        auto entry = m_roots.sysfs / "class" / "tty" / name;
        std::filesystem::create_directories(entry);
        if (!deviceDir.empty()) {
            std::filesystem::create_directories(deviceDir / name);
            std::filesystem::create_directory_symlink(deviceDir / name, entry / "device");
        }
        if (!devNumbers.empty()) WriteFileBytes(entry / "dev", devNumbers + "\n");
    }

    // A built-in 8250 port; type 0 means no UART is there.
    void AddLegacyTty(const std::string& name, int type)
    {
        auto platformDevice = m_roots.sysfs / "devices" / "platform" / "serial8250";
        AddTty(name, platformDevice);
        WriteFileBytes(m_roots.sysfs / "class" / "tty" / name / "type", std::to_string(type) + "\n");
    }

    // A usblp printer device lpN on the given USB interface.
    void AddUsbPrinter(const std::string& lpName, const std::filesystem::path& interface)
    {
        auto entry = m_roots.sysfs / "class" / "usbmisc" / lpName;
        std::filesystem::create_directories(entry);
        std::filesystem::create_directory_symlink(interface, entry / "device");
    }

    // `count` cutters (vendor 0483, product 5448) as lp<first>...
    void AddUsbCutters(int first, int count)
    {
        for (int i = first; i < first + count; ++i) {
            auto interface = AddUsbDevice("2-" + std::to_string(i), "0483", "5448", "Cutter");
            AddUsbPrinter("lp" + std::to_string(i), interface);
        }
    }

private:
    DeviceTreeRoots m_roots;
};

}  // namespace kerfmax::test
