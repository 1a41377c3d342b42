// kerfmax-cli ports on a fake device tree.
#include <gtest/gtest.h>

#include "cutter/PortFakeDeviceTree.h"
#include "support/TestSupport.h"

namespace kerfmax {
namespace {

using test::RunCli;
using test::TempDir;

TEST(PortsCommand, ListsSerialPortsThenTheNetworkEntryThenTenUsbCutters)
{
    TempDir dir;
    test::FakeDeviceTree tree(dir / "root");
    tree.AddTty("ttyUSB0", tree.AddUsbDevice("1-1", "0403", "6001", "FT232R USB UART"));
    tree.AddLegacyTty("ttyS3", 0);
    tree.AddUsbCutters(0, 11);

    std::string expected = "ttyUSB0<FT232R USB UART>\nNetwork Port\n";
    for (int i = 0; i < 10; ++i) expected += "USB_" + std::to_string(i) + "\n";
    auto byOption = RunCli({"ports", "--device-root", (dir / "root").string()}, {"LANG=C", "LC_ALL="});
    EXPECT_EQ(byOption.exitCode, 0) << byOption.err;
    EXPECT_EQ(byOption.out, expected);
    auto byEnvironment = RunCli({"ports"}, {"KERFMAX_DEVICE_ROOT=" + (dir / "root").string(), "LANG=C", "LC_ALL="});
    EXPECT_EQ(byEnvironment.out, expected);
}

TEST(PortsCommand, TheNetworkEntryFollowsTheSettingsLanguage)
{
    TempDir dir;
    test::FakeDeviceTree tree(dir / "root");
    test::WriteFileBytes(dir / "Kerfmax.ini", "[Device]\nLangage=1\n");
    auto result = RunCli({"ports", "--device-root", (dir / "root").string(), "--settings", (dir / "Kerfmax.ini").string()});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "网络端口\n");
}

TEST(PortsCommand, UnknownWordsAndMissingSettingsAreUsageErrors)
{
    EXPECT_EQ(RunCli({"ports", "--bogus"}).exitCode, 1);
    EXPECT_EQ(RunCli({"ports", "--settings", "/nonexistent/Kerfmax.ini"}).exitCode, 1);
    auto help = RunCli({"ports", "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("for testing"), std::string::npos);
}

}  // namespace
}  // namespace kerfmax
