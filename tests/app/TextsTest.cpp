#include "app/Texts.h"

#include <gtest/gtest.h>

#include <string>

namespace kerfmax {
namespace {

TEST(Texts, EveryTextExistsInBothLanguagesAndOtherNumbersReadEnglish)
{
    EXPECT_STREQ(Text(TextId::ConnectFail, 0), "Connect to Cutter fail!");
    EXPECT_STREQ(Text(TextId::ConnectFail, 1), "连接设备失败!");
    for (int language : {2, 7, -1}) EXPECT_STREQ(Text(TextId::SendFinished, language), "Send finished!");
    for (int i = 0; i < static_cast<int>(TextId::Count); ++i) {
        const auto id = static_cast<TextId>(i);
        const std::string english = Text(id, 0), chinese = Text(id, 1);
        EXPECT_FALSE(english.empty() || chinese.empty()) << i;
        EXPECT_TRUE(id == TextId::Edition || english != chinese) << i;
    }
    EXPECT_EQ(WindowHeading(1), "Kerfmax   for Elvoma\nVer3.1.7");
}

TEST(ReplaceNetworkPortEntry, KeepsOneEntryAtTheEndAndTheSelectedItem)
{
    std::vector<std::string> ports;
    EXPECT_EQ(ReplaceNetworkPortEntry(ports, -1, 0), -1);
    EXPECT_EQ(ports, std::vector<std::string>{"Network Port"});

    ports = {"COM1<Communications Port>", "NETWORK port", "USB_0", "USB_1"};
    EXPECT_EQ(ReplaceNetworkPortEntry(ports, 2, 1), 1);   // USB_0 stays selected
    EXPECT_EQ(ports, (std::vector<std::string>{"COM1<Communications Port>", "USB_0", "USB_1", "网络端口"}));
    EXPECT_EQ(ReplaceNetworkPortEntry(ports, 3, 0), 3);   // the network entry stays selected
    EXPECT_EQ(ports, (std::vector<std::string>{"COM1<Communications Port>", "USB_0", "USB_1", "Network Port"}));
}

}  // namespace
}  // namespace kerfmax
