// kerfmax-cli send to a real far end, a TCP listener on 127.0.0.1. What
// arrives must be byte for byte what convert writes.
#include <gtest/gtest.h>

#include <signal.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <future>
#include <vector>

#include "cutter/SendTestPeers.h"
#include "support/TestSupport.h"

namespace kerfmax {
namespace {

using namespace std::chrono_literals;
using sendtest::Clock;
using sendtest::TcpPeer;
using test::RunCli;
using test::TempDir;

const char kJob[] =
    "PU0,0;PD4000,0;PD4000,4000;PD0,4000;PD0,0;"
    "PU1000,1000;BZ1500,2000,2500,2000,3000,1000;PD1000,1000;SP0;";

// Each run gets its own temporary folder (the output file lives there) and
// home, so parallel runs cannot meet and no real settings file is touched.
struct CliFixture {
    TempDir dir;
    std::vector<std::string> env;

    CliFixture()
    {
        test::WriteFileBytes(dir / "job.hb", kJob);
        std::filesystem::create_directory(dir / "tmp");
        env = {"TMPDIR=" + (dir / "tmp").string(),
               "HOME=" + dir.Path().string(),
               "LANG=C",
               "LC_ALL=",
               "XDG_CONFIG_HOME=" + (dir / "config").string(),
               "XDG_DOCUMENTS_DIR="};
    }
    std::string Job() const { return (dir / "job.hb").string(); }
    std::string Converted(const std::vector<std::string>& options)
    {
        std::vector<std::string> args = {"convert", Job(), "-o", (dir / "converted.plt").string()};
        args.insert(args.end(), options.begin(), options.end());
        auto result = RunCli(args, env);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return test::ReadFileBytes(dir / "converted.plt");
    }
    test::ProcessResult Send(std::vector<std::string> args)
    {
        args.insert(args.begin(), {"send", Job()});
        return RunCli(args, env);
    }
    // A send to the TCP port of 127.0.0.1.
    test::ProcessResult SendTo(int port, const std::vector<std::string>& options = {})
    {
        std::vector<std::string> args = {"--port", "Network Port", "--ip", "127.0.0.1:" + std::to_string(port)};
        args.insert(args.end(), options.begin(), options.end());
        return Send(args);
    }
};

// What arrives is what convert writes with the same options, or with the
// named settings file's; only a named settings file is saved, as the window
// saves its own.
TEST(SendCommand, NetworkSendsDeliverWhatConvertWritesAndSaveOnlyANamedSettingsFile)
{
    CliFixture f;
    const std::vector<std::string> options = {"--mirror",    "--rotate",  "90",  "--frame",   "1,2,3,4", "--order",
                                              "reduce-feed", "--overcut", "1.5", "--dialect", "dmpl"};
    TcpPeer peer;
    auto result = f.SendTo(peer.Port(), options);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(peer.Received(), f.Converted(options));
    EXPECT_NE(result.err.find("100%"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("Send finished!"), std::string::npos) << result.err;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(f.dir.Path()))
        EXPECT_NE(entry.path().extension(), ".ini") << entry.path();

    const auto ini = f.dir / "Kerfmax.ini";
    test::WriteFileBytes(ini, "[Device]\nIP=127.0.0.1\n[Offset]\nChkBladeOffset=0\nChkOverCut=1\nOverCut=2.0\n");
    TcpPeer second;
    result = f.SendTo(second.Port(), {"--settings", ini.string()});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(second.Received(), f.Converted({"--no-blade-offset", "--overcut", "2.0"}));
    const std::string saved = test::ReadFileBytes(ini);
    for (const char* line : {"PortS=Network Port", "ChkOverCut=1", "Type=3"})
        EXPECT_NE(saved.find(line), std::string::npos) << saved;
}

TEST(SendCommand, FailuresGiveTheirMessagesAndExitCodes)
{
    CliFixture f;
    const int refusedPort = TcpPeer().Port();  // a port that was ours and is no longer listening
    auto refused = f.SendTo(refusedPort);
    EXPECT_EQ(refused.exitCode, 3);
    EXPECT_NE(refused.err.find("Warning: "), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("Connect to Cutter fail!"), std::string::npos) << refused.err;

    // Usage errors (a job that does not load: with convert's tests).
    for (const auto& args : std::vector<std::vector<std::string>>{{},
                                                                  {"--port", "Network Port", "--ip", "1.2.3"},
                                                                  {"--port", "Network Port", "--ip", "1.2.3.4:0"},
                                                                  {"--port", "Network Port", "--bogus"}})
        EXPECT_EQ(f.Send(args).exitCode, 1) << args.size();
}

// Two sends broken by the cutter (it resets after a third of its stream, keeping
// what its system acknowledged), each resumed from the object the failure
// names, then one that completes: the pieces that arrived, joined, are the
// whole stream, every object cut exactly once.
TEST(SendCommand, FailedSendsResumeFromTheFirstObjectTheCutterDidNotConfirm)
{
    CliFixture f;
    test::WriteFileBytes(f.dir / "job.hb", sendtest::LettersJob(3000, 100) + "SP0;");
    const std::string full = f.Converted({"--overcut", "1.0"});
    const std::size_t header = std::string("IN;SP1;").size();
    const std::vector<std::size_t> starts = sendtest::PenUpStarts(full, header);  // the objects, then the tail
    ASSERT_EQ(starts.size(), 6001u);
    const auto startOf = [&](std::size_t k) { return starts[std::min(k, starts.size()) - 1]; };

    std::string joined = full.substr(0, header);
    for (std::size_t attempt = 0, from = 1; attempt < 3; ++attempt) {
        const bool breaks = attempt < 2;
        TcpPeer peer(breaks ? TcpPeer::Mode::ReadThenReset : TcpPeer::Mode::Record,
                     {.after = (header + full.size() - startOf(from)) / 3, .receiveBuffer = 8192});
        auto result = f.SendTo(peer.Port(), {"--overcut", "1.0", "--from-object", std::to_string(from)});
        const std::string got = peer.Received();
        ASSERT_EQ(got, (full.substr(0, header) + full.substr(startOf(from))).substr(0, got.size())) << attempt;
        if (!breaks) {
            EXPECT_EQ(result.exitCode, 0) << result.err;
            joined += got.substr(header);
            break;
        }
        EXPECT_EQ(result.exitCode, 3) << result.err;
        EXPECT_NE(result.err.find("SendMsg Error!!!"), std::string::npos) << result.err;
        EXPECT_EQ(result.err.find("Send finished!"), std::string::npos) << result.err;
        const std::string cue = "resume with --from-object ";
        ASSERT_NE(result.err.find(cue), std::string::npos) << result.err;
        const std::size_t next = std::stoul(result.err.substr(result.err.find(cue) + cue.size()));
        // Which object that is, from what arrived, is the run's own test.
        ASSERT_GT(next, from) << result.err;
        joined += got.substr(header, startOf(next) - startOf(from));
        from = next;
    }
    EXPECT_TRUE(joined == full) << "the joined pieces differ from the whole stream";

    // Object numbers the job does not have.
    TcpPeer idle;
    EXPECT_EQ(f.SendTo(idle.Port(), {"--from-object", "0"}).exitCode, 1);
    auto past = f.SendTo(idle.Port(), {"--from-object", "6002"});
    EXPECT_EQ(past.exitCode, 2);
    EXPECT_NE(past.err.find("The job has 6000 objects"), std::string::npos) << past.err;
}

// A cutter that takes no data: the progress line says so, and for how long,
// instead of a time left; Ctrl-C then cancels at once.
TEST(SendCommand, AStalledSendIsShownAsSuchAndAnInterruptCancelsItCleanly)
{
    CliFixture f;
    std::string big = "PU0,0;";
    for (int i = 0; i < 1000000; ++i) big += "PD" + std::to_string(i % 5000) + "," + std::to_string(i % 11) + ";";
    test::WriteFileBytes(f.dir / "job.hb", big + "SP0;");
    TcpPeer peer(TcpPeer::Mode::NeverRead);
    const std::string address = "127.0.0.1:" + std::to_string(peer.Port());
    const std::string errPath = (f.dir / "stderr.txt").string();

    // Everything the child needs is built before fork: the peer's thread runs.
    std::vector<std::string> words = {KERFMAX_CLI_PATH, "send", f.Job(), "--port", "Network Port", "--ip", address};
    std::vector<char*> argv, envp;
    for (auto& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    for (auto& entry : f.env) envp.push_back(entry.data());
    envp.push_back(nullptr);
    pid_t pid = ::fork();
    if (pid == 0) {
        int devNull = ::open("/dev/null", O_RDWR);
        int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(devNull, 0);
        ::dup2(devNull, 1);
        ::dup2(err, 2);
        ::execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    const std::string notice = "the cutter has not taken data for 0:0";
    for (auto until = Clock::now() + 20s;
         Clock::now() < until && test::ReadFileBytes(errPath).find(notice) == std::string::npos;)
        std::this_thread::sleep_for(50ms);
    const std::string shown = test::ReadFileBytes(errPath);
    EXPECT_NE(shown.find(notice), std::string::npos) << shown;
    EXPECT_NE(shown.find(" left"), std::string::npos) << "a time left while it moved: " << shown;
    ::kill(pid, SIGINT);
    auto asked = Clock::now();
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0 && Clock::now() - asked < 5s) std::this_thread::sleep_for(5ms);
    auto took = Clock::now() - asked;
    if (took >= 5s) ::kill(pid, SIGKILL), ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 4);
    EXPECT_LT(took, 1s);
}

}  // namespace
}  // namespace kerfmax
