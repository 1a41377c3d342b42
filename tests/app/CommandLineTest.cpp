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

TEST(CommandLine, SwitchesTakeEitherPrefixAndMatchCaseSensitively)
{
    EXPECT_EQ(ChooseRunMode(Parse({})), RunMode::Dialog);
    EXPECT_EQ(ChooseRunMode(Parse({"-RegCorelWorkSpace"})), RunMode::Register);
    EXPECT_EQ(ChooseRunMode(Parse({"/RegCorelWorkSpace"})), RunMode::Register);
    EXPECT_EQ(ChooseRunMode(Parse({"/UnRegCorelWorkSpaceT"})), RunMode::Unregister);
    EXPECT_EQ(ChooseRunMode(Parse({"/regcorelworkspace"})), RunMode::Dialog);

    CMC_CommandLineInfo lower = Parse({"-regcorelworkspace", "-hideui", "-Autosend", "-"});
    EXPECT_EQ(lower.m_bHideUI + lower.m_bAutoSend + lower.m_bRegWorkspace, 0);
    EXPECT_EQ(lower.m_nShellCommand, kShellNothing);   // unknown switches are not path words

    CMC_CommandLineInfo both = Parse({"-HideUI", "/AutoSend"});
    EXPECT_EQ(both.m_bHideUI + both.m_bAutoSend, 2);
}

TEST(CommandLine, RegistrationWinsOverRemovalAndOverTheDialog)
{
    CMC_CommandLineInfo info = Parse({"-UnRegCorelWorkSpace", "-RegCorelWorkSpace", "-AutoSend"});
    EXPECT_EQ(info.m_bUnRegWorkspace, 1);
    EXPECT_EQ(ChooseRunMode(info), RunMode::Register);
    EXPECT_EQ(ChooseRunMode(Parse({"job.hb", "-UnRegCorelWorkSpace", "-HideUI"})), RunMode::Unregister);
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
}

TEST(CommandLine, AbsolutePosixPathIsAJobFileNotASwitch)
{
    CMC_CommandLineInfo info = Parse({"/home/anna/My Jobs/a.hb", "/HideUI"});
    EXPECT_EQ(info.JobFilePath(), "/home/anna/My Jobs/a.hb");
    EXPECT_EQ(info.m_bHideUI, 1);
}

}  // namespace
}  // namespace kerfmax
