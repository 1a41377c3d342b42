// The device-setup walk on a system without cutters, and its text rules.
#include <gtest/gtest.h>

#include "platform/PortEnumeration.h"
#include "platform/win32/DeviceInterfacePaths.h"

namespace kerfmax {
namespace {

TEST(PortEnumerationWin32, NoMatchingDeviceLeavesTheListsEmpty)
{
    EXPECT_TRUE(EnumerateUsbCutters(DeviceTreeRoots{}).empty());
    std::vector<SerialPortRecord> ports{SerialPortRecord{"stale", "COM9", "", false, ""}};
    std::string error;
    EXPECT_TRUE(EnumerateSerialPorts(DeviceTreeRoots{}, ports, &error)) << error;
    EXPECT_EQ(error, "");
    // Whatever the machine has, the old list is gone and every entry is named.
    for (const SerialPortRecord& port : ports) {
        EXPECT_NE(port.devicePath, "stale");
        EXPECT_FALSE(port.friendlyName.empty());
    }
    for (const SerialPortRecord& entry : ListSerialDeviceMap(DeviceTreeRoots{})) EXPECT_FALSE(entry.portName.empty());
}

TEST(PortEnumerationWin32, OnlyTheCuttersInterfacePathsInTheSystemsCaseMatch)
{
    EXPECT_TRUE(
        win32::IsCutterInterfacePath("\\\\?\\usb#vid_0483&pid_5448#0001#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}"));
    EXPECT_FALSE(win32::IsCutterInterfacePath("\\\\?\\USB#VID_0483&PID_5448#0001"));
    EXPECT_FALSE(win32::IsCutterInterfacePath("\\\\?\\usb#vid_0483&pid_5449#0001"));
    EXPECT_FALSE(win32::IsCutterInterfacePath("\\\\?\\usb#vid_0483"));
}

TEST(PortEnumerationWin32, PropertyTextsCannotBreakAPortEntry)
{
    EXPECT_EQ(win32::CleanPropertyText("  USB <Serial>\tPort\r\n"), "USB  Serial  Port");
    // Cut at 255 bytes on a whole character: "串" is three bytes.
    std::string longText(254, 'a');
    longText += "串";
    EXPECT_EQ(win32::CleanPropertyText(longText), std::string(254, 'a'));
}

}  // namespace
}  // namespace kerfmax
