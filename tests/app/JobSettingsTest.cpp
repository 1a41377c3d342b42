#include "app/JobSettings.h"

#include <gtest/gtest.h>

#include <tuple>

#include "app/IniFile.h"
#include "platform/Notifier.h"
#include "app/Texts.h"
#include "ScopedEnvironment.h"
#include "support/TestSupport.h"

namespace kerfmax {
namespace {

using test::ReadFileBytes;

TEST(LengthTextToUnits, LeadingNumberTimesFortyTruncatedTowardZeroAndClamped)
{
    // Hexadecimal and one sign at most, as strtod reads them; of "12345678.9" only "12345678." is read.
    // clang-format off
    const std::pair<const char*, std::int32_t> cases[] = {
        {"0.35", 14}, {"1.0", 40}, {"abc", 0}, {"", 0}, {"nan", 0}, {"-0.3", -12}, {"-0.01", 0}, {" 2.5mm", 100},
        {".5", 20}, {"0x10", 640}, {"12345678.9", 493827120}, {"999999999", 2147483647},
        {"-99999999", -2147483647 - 1}, {"1e999", 2147483647}, {"-inf", -2147483647 - 1}, {"1e-999", 0},
        {"+-1", 0}, {"--1", 0}, {"-+1", 0}, {"+1.5", 60}};
    // clang-format on
    for (auto [text, units] : cases) EXPECT_EQ(LengthTextToUnits(text), units) << text;
}

TEST(StepLengthText, StepsByOneTenthPrintedWithOneDecimal)
{
    // A result not above zero gives back the text as read (at most nine characters).
    const std::tuple<const char*, int, const char*> cases[] = {{"0.35", -1, "0.2"},
                                                               {"0.35", 1, "0.4"},
                                                               {"1.0", 1, "1.1"},
                                                               {"abc", 1, "0.1"},
                                                               {"0.1", -1, "0.1"},
                                                               {"abc", -1, "abc"},
                                                               {"0.09999999999", -1, "0.0999999"}};
    for (auto [text, step, result] : cases) EXPECT_EQ(StepLengthText(text, step), result) << text << " " << step;
    std::string blade = "0.35";
    for (const char* expected : {"0.4", "0.5", "0.6"}) EXPECT_EQ(blade = StepLengthText(blade, 1), expected);
}

TEST(IsLengthText, DigitsWithAtMostOnePointAndNothingElse)
{
    const std::pair<const char*, bool> texts[] = {{"0.35", true},   {"1", true},   {".5", true},    {"2.", true},
                                                  {"", false},      {".", false},  {"0,35", false}, {"abc", false},
                                                  {"1.2.3", false}, {" 1", false}, {"-1", false},   {"0x10", false}};
    for (auto [text, isLength] : texts) EXPECT_EQ(IsLengthText(text), isLength) << text;
}

class JobSettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_env.Clear("LC_ALL");
        m_env.Clear("LC_MESSAGES");
        m_env.Set("LANG", "C.UTF-8");
    }
    std::string FileText() const { return ReadFileBytes(m_dir / "Kerfmax.ini"); }

    test::TempDir m_dir;
    test::ScopedEnvironment m_env;
    RecordingNotifier m_notes;
    CIniFile m_ini{m_dir / "Kerfmax.ini", &m_notes};
};

TEST_F(JobSettingsFileTest, LanguageFollowsTheSystemLocaleUntilOneIsStored)
{
    // LC_ALL comes first.
    const std::tuple<const char*, const char*, int> cases[] = {{nullptr, "zh_CN.UTF-8", 1},
                                                               {nullptr, "zh_TW.UTF-8", 0},
                                                               {"zh_CN.GB2312", "en_GB.UTF-8", 1},
                                                               {"en_GB.UTF-8", "zh_CN.UTF-8", 0}};
    for (auto [lcAll, lang, language] : cases) {
        lcAll ? m_env.Set("LC_ALL", lcAll) : m_env.Clear("LC_ALL");
        m_env.Set("LANG", lang);
        EXPECT_EQ(ReadJobSettings(m_ini).language, language) << lang;
    }
    test::WriteFileBytes(m_dir / "Kerfmax.ini", "[Device]\nLangage=7\n");
    EXPECT_EQ(ReadJobSettings(m_ini).language, 7);  // kept as stored: the list then shows no selection
    EXPECT_STREQ(Text(TextId::SendButton, 7), "Send");
}

TEST_F(JobSettingsFileTest, FreshFileGivesTheStartValuesAndSaveWritesKeysInOrderWithTheAddressAfterANetworkLink)
{
    JobSettings settings = ReadJobSettings(m_ini);
    EXPECT_EQ(settings.portText + "|" + settings.networkAddress, "|127.0.0.1");
    EXPECT_EQ(settings.bladeOffsetText + "|" + settings.overCutText, "0.35|1.0");
    EXPECT_EQ(FileText(), "");  // reads never write

    settings.portIndex = 2;
    settings.portText = "COM7<USB Serial Port>";
    settings.bladeOffsetOn = false;
    settings.overCutOn = true;
    settings.bladeOffsetText = "abc";
    settings.overCutText = "2.5";
    settings.networkAddress = "192.168.1.20";
    const std::string device = "[Device]\r\nType=3\r\nPort=2\r\nPortS=COM7<USB Serial Port>\r\n";
    const std::string offset = "[Offset]\r\nChkBladeOffset=0\r\nChkOverCut=1\r\nBladeOffset=abc\r\nOverCut=2.5\r\n";
    SaveSettings(m_ini, settings, false);
    EXPECT_EQ(FileText(), device + offset);
    SaveSettings(m_ini, settings, true);
    EXPECT_EQ(FileText(), device + "IP=192.168.1.20\r\n" + offset);
    EXPECT_EQ(m_notes.count, 0);
}

}  // namespace
}  // namespace kerfmax
