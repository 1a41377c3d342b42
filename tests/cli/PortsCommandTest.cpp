// kerfmax-cli ports on a fake device tree.
#include <gtest/gtest.h>

#include "cutter/PortFakeDeviceTree.h"
#include "support/TestSupport.h"

namespace kerfmax {
namespace {

using test::RunCli;

// The tree is named by option or environment; the network entry speaks the
// settings file's language.
TEST(PortsCommand, ListsSerialPortsThenTheNetworkEntryThenTenUsbCutters)
{
    test::TempDir dir;
    const std::string root = (dir / "root").string(), ini = (dir / "Kerfmax.ini").string();
    test::FakeDeviceTree tree(dir / "root");
    tree.AddTty("ttyUSB0", tree.AddUsbDevice("1-1", "0403", "6001", "FT232R USB UART"));
    tree.AddLegacyTty("ttyS3", 0);
    tree.AddUsbCutters(0, 11);
    test::WriteFileBytes(ini, "[Device]\nLangage=1\n");

    std::string usb;
    for (int i = 0; i < 10; ++i) usb += "USB_" + std::to_string(i) + "\n";
    const struct {
        std::vector<std::string> args, env;
        std::string expected;
    } cases[] = {
        {{"ports", "--device-root", root}, {}, "ttyUSB0<FT232R USB UART>\nNetwork Port\n" + usb},
        {{"ports"}, {"KERFMAX_DEVICE_ROOT=" + root}, "ttyUSB0<FT232R USB UART>\nNetwork Port\n" + usb},
        {{"ports", "--device-root", root, "--settings", ini}, {}, "ttyUSB0<FT232R USB UART>\n网络端口\n" + usb},
    };
    for (const auto& c : cases) {
        std::vector<std::string> env = c.env;
        env.insert(env.end(), {"LANG=C", "LC_ALL="});
        auto result = RunCli(c.args, env);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.out, c.expected);
    }
    EXPECT_EQ(RunCli({"ports", "--bogus"}).exitCode, 1);
    EXPECT_EQ(RunCli({"ports", "--settings", "/nonexistent/Kerfmax.ini"}).exitCode, 1);
}

}  // namespace
}  // namespace kerfmax
