#include "app/Texts.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace kerfmax {
namespace {

TEST(Texts, LookupInBothLanguagesWithEveryOtherNumberEnglish)
{
    EXPECT_STREQ(Text(TextId::ConnectFail, 0), "Connect to Cutter fail!");
    EXPECT_STREQ(Text(TextId::ConnectFail, 1), "连接设备失败!");
    EXPECT_STREQ(Text(TextId::SaveTempError1, 1), "缓冲数据 失败1");
    EXPECT_STREQ(Text(TextId::NetworkPort, 1), "网络端口");
    for (int language : {2, 7, -1}) EXPECT_STREQ(Text(TextId::SendFinished, language), "Send finished!");
}

TEST(Texts, EveryTextExistsInBothLanguagesAndEachControlHasOneCaption)
{
    for (int i = 0; i < static_cast<int>(TextId::Count); ++i) {
        std::string english = Text(static_cast<TextId>(i), 0), chinese = Text(static_cast<TextId>(i), 1);
        EXPECT_FALSE(english.empty() || chinese.empty()) << i;
        if (static_cast<TextId>(i) != TextId::Edition) {
            EXPECT_NE(english, chinese) << i;
        }
    }
    std::set<int> controls;
    for (const ControlCaption& caption : ControlCaptions())
        EXPECT_TRUE(controls.insert(caption.controlId).second) << caption.controlId;
    EXPECT_EQ(controls.size(), 16u);
    EXPECT_EQ(WindowHeading(1), "Kerfmax   for Elvoma\nVer3.1.7");
}


TEST(ReplaceNetworkPortEntry, KeepsOneEntryAtTheEndAndTheSelectedItem)
{
    std::vector<std::string> ports;
    EXPECT_EQ(ReplaceNetworkPortEntry(ports, -1, 0), -1);
    EXPECT_EQ(ports, std::vector<std::string>{"Network Port"});

    ports = {"COM1<Communications Port>", "NETWORK port", "USB_0", "USB_1"};
    int selected = ReplaceNetworkPortEntry(ports, 2, 1);   // USB_0 selected
    EXPECT_EQ(ports, (std::vector<std::string>{"COM1<Communications Port>", "USB_0", "USB_1", "网络端口"}));
    EXPECT_EQ(selected, 1);
    selected = ReplaceNetworkPortEntry(ports, 3, 0);       // the network entry selected
    EXPECT_EQ(ports, (std::vector<std::string>{"COM1<Communications Port>", "USB_0", "USB_1", "Network Port"}));
    EXPECT_EQ(selected, 3);
    EXPECT_EQ(ReplaceNetworkPortEntry(ports, 0, 0), 0);
    EXPECT_EQ(ports.back(), "Network Port");
    EXPECT_EQ(ports.size(), 4u);
}

}  // namespace
}  // namespace kerfmax
