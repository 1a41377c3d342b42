// The Port list: serial ports and USB cutters found in a device tree, the
// merge with the serial-device map, and the way back from an entry's text to
// the link it opens.
#include <gtest/gtest.h>

#include "platform/Notifier.h"
#include "cutter/PortDiscovery.h"
#include "cutter/PortFakeDeviceTree.h"
#include "support/TestSupport.h"

namespace kerfmax {
namespace {

using test::FakeDeviceTree;
using test::TempDir;

SSerInfo Info(std::string portName, std::string friendlyName, std::string description)
{
    SSerInfo info;
    info.portName = std::move(portName);
    info.friendlyName = std::move(friendlyName);
    info.description = std::move(description);
    return info;
}

std::vector<std::string> EntryTexts(const std::vector<SSerInfo>& infos)
{
    std::vector<std::string> texts;
    for (const auto& info : infos) texts.push_back(SerialEntryText(info));
    return texts;
}

TEST(PortEnumeration, ListsSerialTtysWithTheirDeviceStringsInNaturalOrder)
{
    TempDir dir;
    FakeDeviceTree tree(dir.Path());
    tree.AddTty("ttyUSB0", tree.AddUsbDevice("1-1", "0403", "6001", "FT232R USB UART"));
    tree.AddTty("ttyUSB1", tree.AddUsbDevice("1-2", "10c4", "ea60", "", "CP2102 Interface"));
    tree.AddTty("ttyUSB10", tree.AddUsbDevice("1-3", "1a86", "7523", "Bad<name>\x01"));
    tree.AddTty("ttyACM0", tree.AddUsbDevice("1-4", "2341", "0043", ""), "166:0");
    test::WriteFileBytes(tree.Roots().udevData / "c166:0", "E:ID_MODEL=Uno_R3\nE:ID_MODEL_ENC=Uno\\x20R3\\x20board\n");
    tree.AddLegacyTty("ttyS0", 4);
    tree.AddLegacyTty("ttyS1", 0);  // no UART behind it
    tree.AddTty("tty0", {});  // virtual console: no device, wrong name
    tree.AddTty("ttyUSB7", {});  // stale entry without device
    tree.AddTty("ttyprintk", tree.AddUsbDevice("1-9", "1111", "2222", "x"));

    std::vector<SerialPortRecord> ports;
    std::string error;
    ASSERT_TRUE(EnumerateSerialPorts(tree.Roots(), ports, &error)) << error;
    ASSERT_EQ(ports.size(), 5u);
    const std::string dev = tree.Roots().dev.string();
    struct Expected {
        const char* name;
        const char* description;
        bool usb;
    };
    const Expected expected[] = {
        {"ttyACM0", "Uno R3 board", true},    {"ttyS0", "Communications Port", false},
        {"ttyUSB0", "FT232R USB UART", true}, {"ttyUSB1", "CP2102 Interface", true},
        {"ttyUSB10", "Bad name", true},
    };
    for (size_t i = 0; i < ports.size(); ++i) {
        SCOPED_TRACE(expected[i].name);
        EXPECT_EQ(ports[i].portName, expected[i].name);
        EXPECT_EQ(ports[i].devicePath, dev + "/" + expected[i].name);
        EXPECT_EQ(ports[i].description, expected[i].description);
        EXPECT_EQ(ports[i].friendlyName, std::string(expected[i].description) + " (" + expected[i].name + ")");
        EXPECT_EQ(ports[i].usb, expected[i].usb);
    }
}

TEST(PortDiscovery, CompletionDerivesNameAndDescriptionFromTheFriendlyName)
{
    // The first ")" must end the text, and " (" may not start it.
    const struct {
        const char* friendly;
        const char* name;
        const char* description;
    } cases[] = {
        {"USB Serial Port (COM3)", "COM3", "USB Serial Port"},
        {"Modem", "Modem", "Modem"},
        {"Port (A) (COM4)", "Port (A) (COM4)", "Port (A) (COM4)"},
        {" (COM5)", " (COM5)", " (COM5)"},
    };
    for (const auto& c : cases) {
        SSerInfo info = Info("", c.friendly, "");
        CompleteSerialInfo(info);
        EXPECT_EQ(info.portName, c.name) << c.friendly;
        EXPECT_EQ(info.description, c.description) << c.friendly;
    }
}

TEST(PortDiscovery, MergeKeepsEnumeratedPortsFirstAndAddsOnlyNewMapEntries)
{
    std::vector<SSerInfo> found = {Info("COM3", "USB Serial Port (COM3)", "USB Serial Port")};
    std::vector<SSerInfo> map = {Info("COM1", "", "\\Device\\Serial0"), Info("COM3", "", "\\Device\\VCP0")};
    EXPECT_EQ(EntryTexts(MergeSerialLists(found, map)),
              (std::vector<std::string>{"COM3<USB Serial Port>", "COM1<\\Device\\Serial0>"}));
    EXPECT_EQ(EntryTexts(MergeSerialLists({}, map)),
              (std::vector<std::string>{"COM1<\\Device\\Serial0>", "COM3<\\Device\\VCP0>"}));
    // Port names compare with exact case.
    std::vector<SSerInfo> lower = {Info("com1", "", "x")};
    EXPECT_EQ(MergeSerialLists(lower, map).size(), 3u);
}

// The order and the language of the entries are checked through the CLI.
TEST(PortDiscovery, RefreshListsSerialThenNetworkThenUsbCuttersAndReportsAnUnreadableTtyClass)
{
    TempDir dir;
    FakeDeviceTree tree(dir.Path());
    tree.AddTty("ttyUSB0", tree.AddUsbDevice("1-1", "0403", "6001", "FT232R USB UART"));
    tree.AddUsbCutters(0, 1);
    // Only vendor 0483 with product 5448 is a cutter.
    tree.AddUsbPrinter("lp20", tree.AddUsbDevice("3-1", "0483", "5449", "Other printer"));
    tree.AddUsbPrinter("lp21", tree.AddUsbDevice("3-2", "04b8", "5448", "Other vendor"));
    RecordingNotifier notifier;
    EXPECT_EQ(RefreshPortList(0, tree.Roots(), notifier).entries,
              (std::vector<std::string>{"ttyUSB0<FT232R USB UART>", "Network Port", "USB_0"}));

    // An unreadable tty class is reported while the rest is listed.
    std::filesystem::remove_all(tree.Roots().sysfs / "class" / "tty");
    test::WriteFileBytes(tree.Roots().sysfs / "class" / "tty", "not a folder");
    const PortListing listing = RefreshPortList(0, tree.Roots(), notifier);
    EXPECT_EQ(notifier.count, 1);
    EXPECT_NE(listing.error.find("class/tty"), std::string::npos) << listing.error;
    EXPECT_EQ(listing.entries, (std::vector<std::string>{"Network Port", "USB_0"}));
}

// Unknown or unsafe texts give the link that does not open: serial port 0.
TEST(BuildLinkSettings, EachPortFormGivesItsLinkAndOthersTheLinkThatDoesNotOpen)
{
    const std::vector<std::string> usb = {"/dev/usb/lp0", "/dev/usb/lp1"};
    // The network entry is recognised in the current language only.
    const struct {
        const char* text;
        const char* networkText;
        bool vcom;
        std::int32_t type;
        int comPort;
        int baud;
        const char* serialPath;
        const char* usbPath;
        const char* host;
    } cases[] = {
        {"Network Port", "Network Port", true, LINK_NETWORK, 0, 0, "", "", "10.0.0.7"},
        {"网络端口", "网络端口", false, LINK_NETWORK, 0, 0, "", "", "10.0.0.7"},
        {"网络端口", "Network Port", false, LINK_SERIAL, 0, 0, "", "", ""},
        {"COM3<USB Serial Port>", "Network Port", false, LINK_SERIAL, 3, 38400, "", "", ""},
        {"COM12", "Network Port", true, LINK_VCOM, 12, 38400, "", "", ""},
        {"ttyUSB0<FT232R USB UART>", "Network Port", false, LINK_SERIAL, 0, 38400, "/dev/ttyUSB0", "", ""},
        {"/dev/pts/7", "Network Port", true, LINK_VCOM, 0, 38400, "/dev/pts/7", "", ""},
        {"USB_1", "Network Port", false, LINK_USB, 0, 0, "", "/dev/usb/lp1", ""},
        {"USB_2", "Network Port", false, LINK_USB, 0, 0, "", "", ""},
        {"USB_-1", "Network Port", false, LINK_USB, 0, 0, "", "", ""},
        {"LPT1", "Network Port", true, LINK_SERIAL, 0, 0, "", "", ""},
        {"tty../../etc/passwd<x>", "Network Port", true, LINK_SERIAL, 0, 0, "", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        LinkSettings link = BuildLinkSettings(c.text, c.networkText, "10.0.0.7", c.vcom, usb);
        EXPECT_EQ(link.linkType, c.type);
        EXPECT_EQ(link.comPort, c.comPort);
        EXPECT_EQ(link.baudRate, c.baud);
        EXPECT_EQ(link.serialDevicePath, c.serialPath);
        EXPECT_EQ(link.usbDevicePath, c.usbPath);
        EXPECT_EQ(link.hostAddress, c.host);
        EXPECT_EQ(link.tcpPort, c.type == LINK_NETWORK ? 5000 : 0);
        EXPECT_EQ(link.noAckWait, c.type == LINK_NETWORK ? 1 : 0);
    }
}

}  // namespace
}  // namespace kerfmax
