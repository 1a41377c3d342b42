#include "app/CommandLine.h"

#include <gtest/gtest.h>

namespace kerfmax {
namespace {

CMC_CommandLineInfo Parse(const std::vector<std::string>& words)
{
    CMC_CommandLineInfo info;
    ParseCommandLine(words, info);
    return info;
}

TEST(CommandLine, SwitchesChooseTheRunModeWithRegistrationFirst)
{
    const std::pair<std::vector<std::string>, RunMode> cases[] = {
        {{}, RunMode::Dialog},
        {{"-RegCorelWorkSpace"}, RunMode::Register},
        {{"/RegCorelWorkSpaceT"}, RunMode::Register},
        {{"/UnRegCorelWorkSpaceT"}, RunMode::Unregister},
        {{"/regcorelworkspace"}, RunMode::Dialog},   // switches match case-sensitively
        {{"-UnRegCorelWorkSpace", "-RegCorelWorkSpace", "-AutoSend"}, RunMode::Register},
        {{"job.hb", "-UnRegCorelWorkSpace", "-HideUI"}, RunMode::Unregister},
    };
    for (const auto& [words, mode] : cases)
        EXPECT_EQ(ChooseRunMode(Parse(words)), mode) << testing::PrintToString(words);

    CMC_CommandLineInfo lower = Parse({"-regcorelworkspace", "-hideui", "-Autosend", "-"});
    EXPECT_EQ(lower.m_bHideUI + lower.m_bAutoSend + lower.m_bRegWorkspace, 0);
    EXPECT_EQ(lower.m_nShellCommand, kShellNothing);   // unknown switches are not path words
    CMC_CommandLineInfo both = Parse({"-HideUI", "/AutoSend"});
    EXPECT_EQ(both.m_bHideUI + both.m_bAutoSend, 2);
}

TEST(CommandLine, PathWordsJoinWithSingleBlanks)
{
    CMC_CommandLineInfo info = Parse({"C:\\My", "Jobs\\a.hb", "-AutoSend"});
    EXPECT_EQ(info.m_nShellCommand, kShellFileOpen);
    EXPECT_EQ(info.m_strFileName, "C:\\My Jobs\\a.hb ");   // a switch follows: one trailing blank
    EXPECT_EQ(info.JobFilePath(), "C:\\My Jobs\\a.hb");
    EXPECT_EQ(Parse({"-HideUI", "C:\\My", "Jobs\\a.hb"}).m_strFileName, "C:\\My Jobs\\a.hb");

    const char* argv[] = {"kerfmax", "job.hb", "-AutoSend"};
    CMC_CommandLineInfo fromArgv;
    ParseCommandLine(3, argv, fromArgv);
    EXPECT_EQ(fromArgv.m_strFileName, "job.hb ");

    // An absolute POSIX path is a job file, not a switch.
    CMC_CommandLineInfo posix = Parse({"/home/anna/My Jobs/a.hb", "/HideUI"});
    EXPECT_EQ(posix.JobFilePath(), "/home/anna/My Jobs/a.hb");
    EXPECT_EQ(posix.m_bHideUI, 1);
}

}  // namespace
}  // namespace kerfmax
