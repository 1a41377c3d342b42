// CreateProcess with a pipe and a hidden window, on a small console program
// of ours built beside the tests.
#include <gtest/gtest.h>

#include "platform/ProcessRunner.h"
#include "platform/UserFolders.h"
#include "platform/PathText.h"
#include "platform/win32/Win32Text.h"

namespace kerfmax {
namespace {

std::string ChildProgram()
{
    return PathToUtf8(ProgramFolder() / "kerfmax_test_child.exe");
}

TEST(ProcessWin32, ArgumentsArriveAsSentAndOutputAndExitCodeComeBack)
{
    ProcessOutcome outcome = RunHiddenProcess(
        {ChildProgram(), "7", "plain", "two words", "say \"hi\"", "trailing\\", "C:\\dir one\\", "中文", ""});
    ASSERT_TRUE(outcome.started) << outcome.problem;
    EXPECT_EQ(outcome.exitCode, 7);
    EXPECT_FALSE(outcome.Succeeded());
    EXPECT_EQ(outcome.output, "[plain]\n[two words]\n[say \"hi\"]\n[trailing\\]\n[C:\\dir one\\]\n[中文]\n[]\nerr\n");
}

TEST(ProcessWin32, AChattyChildIsReadWhileItRunsAndItsOutputIsCapped)
{
    ProcessOutcome outcome = RunHiddenProcess({ChildProgram(), "0", "--flood"});
    ASSERT_TRUE(outcome.started) << outcome.problem;
    EXPECT_TRUE(outcome.Succeeded());
    EXPECT_EQ(outcome.output.size(), kMaxCapturedOutput);
}

TEST(ProcessWin32, AProgramThatIsNotThereIsNotStarted)
{
    ProcessOutcome outcome = RunHiddenProcess({"kerfmax-no-such-program.exe", "x"});
    EXPECT_FALSE(outcome.started);
    EXPECT_EQ(outcome.problem.rfind("cannot start kerfmax-no-such-program.exe: ", 0), 0u) << outcome.problem;
    EXPECT_FALSE(RunHiddenProcess({}).started);
}

}  // namespace
}  // namespace kerfmax
