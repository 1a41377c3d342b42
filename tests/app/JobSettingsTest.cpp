#include "app/JobSettings.h"

#include <gtest/gtest.h>

#include "app/IniFile.h"
#include "app/Notifier.h"
#include "app/Texts.h"
#include "ScopedEnvironment.h"
#include "support/TestSupport.h"

namespace kerfmax {
namespace {

using test::ReadFileBytes;
using test::ScopedEnvironment;
using test::TempDir;
using test::WriteFileBytes;

TEST(LengthTextToUnits, LeadingNumberTimesFortyTruncatedTowardZero)
{
    EXPECT_EQ(LengthTextToUnits("0.35"), 14);
    EXPECT_EQ(LengthTextToUnits("1.0"), 40);
    EXPECT_EQ(LengthTextToUnits("abc"), 0);
    EXPECT_EQ(LengthTextToUnits(""), 0);
    EXPECT_EQ(LengthTextToUnits("nan"), 0);
    EXPECT_EQ(LengthTextToUnits("-0.3"), -12);
    EXPECT_EQ(LengthTextToUnits("-0.01"), 0);
    EXPECT_EQ(LengthTextToUnits(" 2.5mm"), 100);
    EXPECT_EQ(LengthTextToUnits(".5"), 20);
    EXPECT_EQ(LengthTextToUnits("0x10"), 640);                 // hexadecimal, as the C library reads it
    EXPECT_EQ(LengthTextToUnits("12345678.9"), 493827120);   // only "12345678." is read
}

TEST(LengthTextToUnits, ClampsToTheIntegerRange)
{
    EXPECT_EQ(LengthTextToUnits("999999999"), 2147483647);
    EXPECT_EQ(LengthTextToUnits("-99999999"), -2147483647 - 1);
    EXPECT_EQ(LengthTextToUnits("1e999"), 2147483647);
    EXPECT_EQ(LengthTextToUnits("-inf"), -2147483647 - 1);
    EXPECT_EQ(LengthTextToUnits("1e-999"), 0);
}

TEST(JobSettings, LengthsCountOnlyWhenTicked)
{
    JobSettings settings;
    EXPECT_EQ(settings.BladeOffsetUnits(), 14);
    EXPECT_EQ(settings.OverCutUnits(), 0);
    settings.overCutOn = true;
    settings.bladeOffsetOn = false;
    EXPECT_EQ(settings.OverCutUnits(), 40);
    EXPECT_EQ(settings.BladeOffsetUnits(), 0);
}

TEST(StepLengthText, StepsByOneTenthPrintedWithOneDecimal)
{
    EXPECT_EQ(StepLengthText("0.35", -1), "0.2");
    std::string blade = "0.35", overCut = "1.0";
    for (const char* expected : {"0.4", "0.5", "0.6"}) EXPECT_EQ(blade = StepLengthText(blade, 1), expected);
    for (const char* expected : {"1.1", "1.2", "1.3"}) EXPECT_EQ(overCut = StepLengthText(overCut, 1), expected);
    // A result not above zero gives back the text as read (at most nine characters).
    EXPECT_EQ(StepLengthText("0.1", -1), "0.1");
    EXPECT_EQ(StepLengthText("abc", -1), "abc");
    EXPECT_EQ(StepLengthText("abc", 1), "0.1");
    EXPECT_EQ(StepLengthText("0.09999999999", -1), "0.0999999");
}

class JobSettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_env.Clear("LC_ALL");
        m_env.Clear("LC_MESSAGES");
        m_env.Set("LANG", "C.UTF-8");
    }

    TempDir m_dir;
    ScopedEnvironment m_env;
    RecordingNotifier m_notes;
    CIniFile m_ini{m_dir / "Kerfmax.ini", &m_notes};
};

TEST_F(JobSettingsFileTest, FreshFileGivesTheStartValues)
{
    JobSettings settings = ReadJobSettings(m_ini);
    EXPECT_EQ(settings.language + settings.portIndex + settings.cutOrder, 0);
    EXPECT_EQ(settings.portText, "");
    EXPECT_EQ(settings.networkAddress, "127.0.0.1");
    EXPECT_FALSE(settings.virtualCom || settings.overCutOn);
    EXPECT_TRUE(settings.bladeOffsetOn);
    EXPECT_EQ(settings.bladeOffsetText + "|" + settings.overCutText, "0.35|1.0");
    EXPECT_EQ(settings.manufacturerRow, 3);
    EXPECT_EQ(ReadFileBytes(m_dir / "Kerfmax.ini"), "");   // reads never write
}

TEST_F(JobSettingsFileTest, LanguageOfAFreshFileFollowsTheSystemLocale)
{
    m_env.Set("LANG", "zh_CN.UTF-8");
    EXPECT_EQ(ReadJobSettings(m_ini).language, 1);
    m_env.Set("LANG", "zh_TW.UTF-8");
    EXPECT_EQ(ReadJobSettings(m_ini).language, 0);
    m_env.Set("LC_ALL", "zh_CN.GB2312");   // LC_ALL comes first
    EXPECT_EQ(ReadJobSettings(m_ini).language, 1);
    m_env.Set("LC_ALL", "en_GB.UTF-8");
    m_env.Set("LANG", "zh_CN.UTF-8");
    EXPECT_EQ(ReadJobSettings(m_ini).language, 0);
}

TEST_F(JobSettingsFileTest, StoredLanguageIsKeptAsStoredAndShowsEnglishUnlessOne)
{
    m_env.Set("LANG", "zh_CN.UTF-8");
    WriteFileBytes(m_dir / "Kerfmax.ini", "[Device]\nLangage=7\n");
    EXPECT_EQ(ReadJobSettings(m_ini).language, 7);   // the language list then shows no selection
    EXPECT_STREQ(Text(TextId::SendButton, 7), "Send");
}

TEST_F(JobSettingsFileTest, SaveWritesItsKeysInOrderAndTheAddressOnlyAfterANetworkLink)
{
    JobSettings settings;
    settings.manufacturerRow = 3;
    settings.portIndex = 2;
    settings.portText = "COM7<USB Serial Port>";
    settings.bladeOffsetOn = false;
    settings.overCutOn = true;
    settings.bladeOffsetText = "0.5";
    settings.overCutText = "abc";
    settings.networkAddress = "192.168.1.20";
    ReadJobSettings(m_ini);
    SaveSettings(m_ini, settings, false);
    const std::string withoutAddress =
        "[Device]\r\nType=3\r\nPort=2\r\nPortS=COM7<USB Serial Port>\r\n"
        "[Offset]\r\nChkBladeOffset=0\r\nChkOverCut=1\r\nBladeOffset=0.5\r\nOverCut=abc\r\n";
    EXPECT_EQ(ReadFileBytes(m_dir / "Kerfmax.ini"), withoutAddress);

    SaveSettings(m_ini, settings, true);
    EXPECT_EQ(ReadFileBytes(m_dir / "Kerfmax.ini"),
              "[Device]\r\nType=3\r\nPort=2\r\nPortS=COM7<USB Serial Port>\r\nIP=192.168.1.20\r\n"
              "[Offset]\r\nChkBladeOffset=0\r\nChkOverCut=1\r\nBladeOffset=0.5\r\nOverCut=abc\r\n");

    JobSettings back = ReadJobSettings(m_ini);
    EXPECT_EQ(back.portText, settings.portText);
    EXPECT_EQ(back.networkAddress, settings.networkAddress);
    EXPECT_EQ(back.OverCutUnits(), 0);
    EXPECT_EQ(m_notes.count, 0);
}

}  // namespace
}  // namespace kerfmax
