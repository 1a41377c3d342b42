// What a killed run leaves behind is removed by the next run, and only once
// its owner is gone: a run going on at the same time keeps its files.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <thread>

#include "run/OutputFolder.h"
#include "support/TestSupport.h"

namespace kerfmax {
namespace {

using namespace std::chrono_literals;

std::vector<std::string> Names(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

void KillAndReap(pid_t child)
{
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
}

TEST(Leftovers, AConvertKilledWhileWritingLeavesATemporaryFileTheNextConvertRemoves)
{
    test::TempDir dir;
    std::string job = "PU0,0;";
    for (int i = 0; i < 1'000'000; ++i) job += "PD" + std::to_string(i % 40000) + "," + std::to_string(i % 97) + ";";
    test::WriteFileBytes(dir / "big.hb", job + "SP0;");
    const auto out = dir / "out.plt";
    // A replacement that a live process (this one) is making at the same time.
    const std::string live = ".out.plt.kerfmax-tmp-" + std::to_string(::getpid()) + "-1-1";
    test::WriteFileBytes(dir / live, "in progress");

    const pid_t convert = ::fork();
    ASSERT_GE(convert, 0);
    if (convert == 0) {
        ::execl(KERFMAX_CLI_PATH, KERFMAX_CLI_PATH, "convert", (dir / "big.hb").c_str(), "-o", out.c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    std::string killed;
    for (int i = 0; i < 20000 && killed.empty(); ++i) {
        for (const std::string& name : Names(dir.Path()))
            if (name.rfind(".out.plt.kerfmax-tmp-" + std::to_string(convert) + "-", 0) == 0) killed = name;
        if (killed.empty()) std::this_thread::sleep_for(1ms);
    }
    KillAndReap(convert);
    ASSERT_FALSE(killed.empty()) << "the convert never began its temporary file";
    ASSERT_FALSE(std::filesystem::exists(out));

    test::WriteFileBytes(dir / "small.hb", "PU0,0;PD400,0;SP0;");
    const auto next = test::RunCli({"convert", (dir / "small.hb").string(), "-o", out.string()});
    EXPECT_EQ(next.exitCode, 0) << next.err;
    EXPECT_EQ(Names(dir.Path()), (std::vector<std::string>{live, "big.hb", "out.plt", "small.hb"}));
}

TEST(Leftovers, TheOutputFolderOfAKilledRunGoesWithTheNextRunAndALiveRunKeepsItsOwn)
{
    test::TempDir tmp;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string savedRuntime = runtime ? runtime : "";
    ::unsetenv("XDG_RUNTIME_DIR");
    ::setenv("TMPDIR", tmp.Path().c_str(), 1);

    // Runs in other processes, one killed, one alive; folders named as runs name them.
    auto waitingChild = [] {
        const pid_t child = ::fork();
        if (child == 0) {
            ::pause();
            ::_exit(0);
        }
        return child;
    };
    const pid_t killed = waitingChild(), alive = waitingChild();
    KillAndReap(killed);
    const std::string killedName = "kerfmax-" + std::to_string(killed);
    const std::string aliveName = "kerfmax-" + std::to_string(alive) + "-7";
    // Names we never make stay: no owner, or no part after the owner.
    for (const std::string& name : {killedName + "-7", aliveName, killedName, std::string("kerfmax-notours")})
        std::filesystem::create_directory(tmp / name);
    {
        OutputFolder next;
        ASSERT_FALSE(next.FilePath().empty());
        const std::string own = next.FilePath().parent_path().filename();
        EXPECT_EQ(own.rfind("kerfmax-" + std::to_string(::getpid()) + "-", 0), 0u) << own;
        auto expected = std::vector<std::string>{aliveName, own, killedName, "kerfmax-notours"};
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(Names(tmp.Path()), expected);
    }
    KillAndReap(alive);
    ::unsetenv("TMPDIR");
    if (!savedRuntime.empty()) ::setenv("XDG_RUNTIME_DIR", savedRuntime.c_str(), 1);
}

}  // namespace
}  // namespace kerfmax
