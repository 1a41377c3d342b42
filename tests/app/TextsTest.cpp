#include "app/Texts.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace kerfmax {
namespace {

TEST(Texts, MessagesInBothLanguages)
{
    EXPECT_STREQ(Text(TextId::ConnectFail, kLanguageEnglish), "Connect to Cutter fail!");
    EXPECT_STREQ(Text(TextId::ConnectFail, kLanguageChinese), "连接设备失败!");
    EXPECT_STREQ(Text(TextId::SaveTempError1, kLanguageChinese), "缓冲数据 失败1");
    EXPECT_STREQ(Text(TextId::OpenTempFail, kLanguageEnglish), "Open temp file fail!");
    EXPECT_STREQ(Text(TextId::NetworkPort, kLanguageChinese), "网络端口");
    EXPECT_STREQ(Text(TextId::RotateDefault, kLanguageEnglish), "Default");
    EXPECT_STREQ(Text(TextId::VirtualComCheck, kLanguageChinese), "STM虚拟串口");
}

TEST(Texts, EveryLanguageButOneIsEnglish)
{
    for (int language : {0, 2, 7, -1})
        EXPECT_STREQ(Text(TextId::SendFinished, language), "Send finished!") << language;
    EXPECT_STREQ(Text(TextId::SendFinished, 1), "发送完成!");
}

TEST(Texts, EveryTextIsPresentAndTheLanguagesDifferExceptTheEdition)
{
    for (int i = 0; i < static_cast<int>(TextId::Count); ++i) {
        auto id = static_cast<TextId>(i);
        std::string english = Text(id, kLanguageEnglish);
        std::string chinese = Text(id, kLanguageChinese);
        EXPECT_FALSE(english.empty()) << i;
        EXPECT_FALSE(chinese.empty()) << i;
        if (id != TextId::Edition) EXPECT_NE(english, chinese) << i;
    }
    EXPECT_STREQ(Text(TextId::Edition, kLanguageChinese), " for Elvoma");
}

TEST(Texts, EachControlHasOneCaption)
{
    std::set<int> controls;
    for (const ControlCaption& caption : ControlCaptions())
        EXPECT_TRUE(controls.insert(caption.controlId).second) << caption.controlId;
    EXPECT_EQ(controls.size(), 16u);
    for (const ControlCaption& caption : ControlCaptions()) {
        if (caption.controlId == 1015) EXPECT_STREQ(Text(caption.text, 1), "关于 Kerfmax");
        if (caption.controlId == 1022) EXPECT_STREQ(Text(caption.text, 0), "Port:");
    }
}

TEST(Texts, CaptionAndHeading)
{
    EXPECT_EQ(WindowCaption(kLanguageChinese), "Kerfmax   for Elvoma");
    EXPECT_EQ(WindowHeading(kLanguageEnglish), "Kerfmax   for Elvoma\nVer3.1.7");
}

}  // namespace
}  // namespace kerfmax
