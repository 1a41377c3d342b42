// The serial link's Win32 side where no port hardware is needed: names, and
// the failure path of a port that is not there.
#include <gtest/gtest.h>

#include "cutter/RS232.h"
#include "platform/SerialDevice.h"
#include "platform/PathText.h"
#include "platform/win32/Win32Text.h"
#include "support/TestSupport.h"

namespace kerfmax {
namespace {

TEST(SerialWin32, APortThatDoesNotExistFailsWithTheSystemsCode)
{
    // Two-digit ports need the device namespace.
    EXPECT_EQ(SerialDevice::NameForPort(12), "\\\\.\\COM12");
    SerialDevice device;
    EXPECT_FALSE(device.Open(SerialDevice::NameForPort(250)));
    EXPECT_FALSE(device.IsOpen());
    EXPECT_TRUE(device.LastError() == ERROR_FILE_NOT_FOUND || device.LastError() == ERROR_PATH_NOT_FOUND)
        << device.LastError();

    CRS232 link;
    link.m_nPort = 250;
    EXPECT_EQ(link.Open(), 0);
    EXPECT_EQ(link.IsOpen(), 0);
}

TEST(SerialWin32, AFileGivenAsAPortIsNeverWritten)
{
    test::TempDir dir;
    const auto file = dir / "not-a-port.txt";
    test::WriteFileBytes(file, "keep");
    SerialDevice device;
    EXPECT_FALSE(device.Open(PathToUtf8(file)));
    EXPECT_EQ(device.LastError(), ERROR_BAD_DEVICE);
    EXPECT_EQ(test::ReadFileBytes(file), "keep");
}

}  // namespace
}  // namespace kerfmax
