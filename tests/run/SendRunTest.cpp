// Send through a cutting run, to real far ends (TCP on 127.0.0.1, a FIFO
// standing in for a USB printer node): every step off the caller's thread,
// each run's own output file, and outcomes that say what arrived.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <future>
#include <optional>
#include <regex>

#include "app/IniFile.h"
#include "app/Texts.h"
#include "cutter/Dialect.h"
#include "cutter/PortDiscovery.h"
#include "cutter/PortFakeDeviceTree.h"
#include "cutter/SendTestPeers.h"
#include "geometry/OutputJob.h"
#include "run/CuttingRun.h"

namespace kerfmax {
namespace {

using namespace std::chrono_literals;
using sendtest::Clock;
using sendtest::TcpPeer;
using test::TempDir;

const char kSquareJob[] = "PU0,0;PD4000,0;PD4000,4000;PD0,4000;PD0,0;PU1000,1000;PD2000,1000;SP0;";

std::string LargeJob(std::size_t bytes)
{
    return "PU0,0;" + sendtest::Strokes(bytes) + "SP0;";
}

// What one send reported, and the wait for its end.
struct SendLog {
    std::mutex mutex;
    std::string messages;
    std::atomic<std::uint64_t> bytesTaken{0};
    std::promise<SendResult> done;
    std::shared_future<SendResult> result = done.get_future().share();

    SendCallbacks Callbacks()
    {
        SendCallbacks callbacks;
        callbacks.progress = [this](const SendProgress& p) { bytesTaken.store(p.bytesSent); };
        callbacks.message = [this](const std::string& text, NotifyIcon) {
            std::lock_guard<std::mutex> lock(mutex);
            messages += text;
            if (text.empty() || text.back() != '\n') messages += "\n";
        };
        callbacks.done = [this](SendResult r) { done.set_value(r); };
        return callbacks;
    }
    SendResult Wait(std::chrono::seconds limit = 20s)
    {
        return result.wait_for(limit) == std::future_status::ready ? result.get() : SendResult::Failed;
    }
    std::string Messages()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return messages;
    }
};

struct RunFixture {
    TempDir dir;
    SendLog log;  // outlives the run, whose end may still report
    std::unique_ptr<CuttingRun> owned = std::make_unique<CuttingRun>();
    CuttingRun& run = *owned;

    explicit RunFixture(const std::string& jobText = kSquareJob) { run.LoadJobText(jobText); }
    void ToNetwork(int tcpPort)
    {
        run.Settings().portText = "Network Port";
        run.SetTcpPortOverride(tcpPort);
    }
    SendResult Send()
    {
        EXPECT_EQ(run.StartSend(log.Callbacks()), SendStart::Started);
        SendResult result = log.Wait();
        run.Wait();
        return result;
    }
    std::string Expected()
    {
        CutterDialect dialect;
        DialectForCutterType(1, dialect);
        StringSink sink;
        BladeCompensator fresh;
        EXPECT_EQ(BuildOutputJob(run.CurrentJob(), OutputOptionsFor(run.Settings()), dialect, sink, fresh),
                  OutputResult::Written);
        return sink.TakeText();
    }
};

// A good peer may end its own side first. The send keeps the job it started
// with; the output file sits in a folder of its run alone, private, and gone
// with the run.
TEST(RunSend, NetworkSendDeliversTheJobItStartedWithFromAPrivateFolderAndSavesTheSettings)
{
    RunFixture f;
    const std::string unmirrored = f.Expected();
    TcpPeer peer(TcpPeer::Mode::HalfCloseThenRecord);
    CIniFile ini(f.dir / "Kerfmax.ini");
    f.run.SetSettingsFile(&ini);
    f.ToNetwork(peer.Port());
    ASSERT_EQ(f.run.StartSend(f.log.Callbacks()), SendStart::Started);
    f.run.ToggleMirror();  // while the send runs
    EXPECT_EQ(f.log.Wait(), SendResult::Finished) << f.log.Messages();
    EXPECT_EQ(peer.Received(), unmirrored);
    EXPECT_EQ(test::ReadFileBytes(f.run.OutputPath()), unmirrored);
    EXPECT_NE(f.Expected(), unmirrored);
    EXPECT_EQ(f.run.CurrentLinkSettings().linkType, LINK_NETWORK);
    CIniFile reread(f.dir / "Kerfmax.ini");
    EXPECT_EQ(reread.ReadString("Device", "PortS", ""), "Network Port");
    EXPECT_EQ(reread.ReadString("Device", "IP", ""), "127.0.0.1");

    struct stat info {};
    ASSERT_EQ(::stat(f.run.OutputPath().parent_path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_EQ(f.run.OutputPath().filename(), "cutcorldata.hb");
    const auto folder = [] {
        CuttingRun run;
        return run.OutputPath().parent_path();
    }();
    EXPECT_FALSE(std::filesystem::exists(folder));
}

// A peer that stops reading and closes did not get the job, even when the job
// fitted in the socket buffers.
TEST(RunSend, SuccessMeansThePeerReadEveryByte)
{
    RunFixture leaving(LargeJob(20 << 10));
    TcpPeer bad(TcpPeer::Mode::ReadOneKilobyteThenClose);
    leaving.ToNetwork(bad.Port());
    EXPECT_EQ(leaving.Send(), SendResult::Failed);
    // The reset reaches the sender as a reset or, on a later write, a broken pipe;
    // both boxes name the same reason.
    EXPECT_TRUE(std::regex_search(leaving.log.Messages(),
                                  std::regex("SendMsg Error!!!\nWarning: (Connection reset by peer|Broken pipe)\n"
                                             "Warning: \\1\nylen:")))
        << leaving.log.Messages();
    EXPECT_EQ(bad.Received().size(), 1024u);
}

// A listener whose accept queue is full: a connect to it never completes.
struct FullListener {
    FullListener() : listener(sendtest::ListenOnLoopback(port))
    {
        ::listen(listener, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        for (int& fd : queued) {
            fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
            ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        }
    }
    ~FullListener()
    {
        for (int fd : queued) ::close(fd);
        ::close(listener);
    }
    int port = 0;
    int listener;
    int queued[4];
};

// Cancel reaches a connect that never completes and a stream stalled on a
// slow, a silent or a USB cutter, and so does the end of the run: the send
// ends at once, says nothing, leaves no descriptor, and no more bytes than the
// link had taken reach the peer.
TEST(RunSend, CancelOrTheRunsEndStopsEveryWaitAndTheBytes)
{
    enum class Far { Connecting, SlowPeer, SilentPeer, SilentPeerAndRunEnds, StoppedUsb };
    const int descriptorsBefore = sendtest::OpenDescriptorCount();
    for (const Far far :
         {Far::Connecting, Far::SlowPeer, Far::SilentPeer, Far::SilentPeerAndRunEnds, Far::StoppedUsb}) {
        SCOPED_TRACE(static_cast<int>(far));
        RunFixture f(LargeJob(far == Far::Connecting ? 100 : 4 << 20));
        std::optional<FullListener> full;
        std::optional<TcpPeer> peer;
        int readEnd = -1;
        if (far == Far::Connecting) {
            f.ToNetwork(full.emplace().port);
        } else if (far != Far::StoppedUsb) {
            f.ToNetwork(
                peer.emplace(far == Far::SlowPeer ? TcpPeer::Mode::SlowRecord : TcpPeer::Mode::NeverRead).Port());
        } else {
            test::FakeDeviceTree tree(f.dir / "root");
            tree.AddUsbCutters(0, 1);
            const auto node = tree.Roots().dev / "usb" / "lp0";
            ASSERT_EQ(::mkfifo(node.c_str(), 0600), 0);
            // Our read end keeps the pipe open and never reads: the pipe fills and the writes stall.
            readEnd = ::open(node.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
            f.run.Settings().portText = "USB_0";
            f.run.SetUsbCutterPaths(EnumerateUsbCutters(tree.Roots()));
        }
        ASSERT_EQ(f.run.StartSend(f.log.Callbacks()), SendStart::Started);
        // Cancel once streaming has begun (assembly takes long under sanitizers).
        for (auto until = Clock::now() + 20s;
             far != Far::Connecting && Clock::now() < until && f.log.bytesTaken.load() == 0;)
            std::this_thread::sleep_for(5ms);
        std::this_thread::sleep_for(200ms);
        EXPECT_TRUE(f.run.Busy());
        const auto asked = Clock::now();
        far == Far::SilentPeerAndRunEnds ? f.owned.reset() : f.run.Cancel();
        EXPECT_EQ(f.log.Wait(2s), SendResult::Cancelled);
        EXPECT_LT(Clock::now() - asked, far == Far::StoppedUsb ? 100ms : 1000ms);
        EXPECT_EQ(f.log.Messages(), "");
        if (far == Far::SlowPeer) {
            const std::size_t received = peer->Received().size();
            EXPECT_LE(received, f.log.bytesTaken.load() + kBlockChunkSize);
            EXPECT_LT(received, test::ReadFileBytes(f.run.OutputPath()).size());
        }
        if (readEnd >= 0) ::close(readEnd);
    }
    EXPECT_EQ(sendtest::OpenDescriptorCount(), descriptorsBefore);
}

TEST(RunSend, EarlyEndsReportTheirTextsInTheCurrentLanguage)
{
    struct Case {
        std::string port;
        int language;
        std::string messages;
    };
    const Case cases[] = {
        {"LPT1", 0, "Connect to Cutter fail!\n"},
        {"LPT1", 1, "连接设备失败!\n"},
        {"/etc/hostname", 0, "Warning: No such device\nConnect to Cutter fail!\n"},
        {"/dev/kerfmax-none", 0, "Warning: No such file or directory\nConnect to Cutter fail!\n"},
    };
    for (const Case& c : cases) {
        RunFixture f;
        CIniFile ini(f.dir / "Kerfmax.ini");
        f.run.SetSettingsFile(&ini);
        f.run.Settings().portText = c.port;
        f.run.Settings().language = c.language;
        EXPECT_EQ(f.Send(), SendResult::ConnectFailed) << c.port;
        EXPECT_EQ(f.log.Messages(), c.messages) << c.port;
        EXPECT_FALSE(std::filesystem::exists(f.dir / "Kerfmax.ini"));
        EXPECT_FALSE(std::filesystem::exists(f.run.OutputPath()));
    }
    for (const int row : {9, -1}) {  // -1: no row selected
        RunFixture unknown;
        unknown.run.Settings().manufacturerRow = row;
        EXPECT_EQ(unknown.Send(), SendResult::NoCutter);
        EXPECT_EQ(unknown.log.Messages(), "Unknow Cutter type!\n");
    }

    CuttingRun empty;
    SendLog log;
    EXPECT_EQ(empty.StartSend(log.Callbacks()), SendStart::NoJob);

    // A job whose coordinates wrap is refused before any port is opened.
    RunFixture wrapped("PU0,0;PD2147483656,0;SP0;");
    wrapped.run.Settings().portText = "LPT1";
    EXPECT_EQ(wrapped.Send(), SendResult::OutOfRange);
    EXPECT_EQ(wrapped.log.Messages(), std::string(Text(TextId::PlacedOutOfRange, 0)) + "\n");
}

TEST(RunSave, SaveToFileCopiesTheOutputOfItsOwnRunOrWritesNothing)
{
    RunFixture f;
    const auto target = f.dir / "out.plt";
    auto save = [&](CuttingRun& run) {
        std::promise<SaveResult> result;
        std::string messages;
        SaveCallbacks callbacks;
        callbacks.message = [&](const std::string& text, NotifyIcon) { messages += text + "\n"; };
        callbacks.done = [&](SaveResult r) { result.set_value(r); };
        EXPECT_TRUE(run.StartSaveToFile(target, callbacks));
        SaveResult r = result.get_future().get();
        run.Wait();
        return std::make_pair(r, messages);
    };
    const std::string first = f.Expected();
    EXPECT_EQ(save(f.run), std::make_pair(SaveResult::Saved, std::string("Save finished!\n")));
    EXPECT_EQ(test::ReadFileBytes(target), first);

    // An output file that cannot be written: nothing is copied, the saved file stays.
    std::filesystem::remove(f.run.OutputPath());
    std::filesystem::create_directories(f.run.OutputPath() / "blocker");
    EXPECT_EQ(save(f.run), std::make_pair(SaveResult::Failed, std::string("SaveCutTempData Error1\nWarning: Is a "
                                                                          "directory\nSave fail!\n")));
    EXPECT_EQ(test::ReadFileBytes(target), first);

    RunFixture wrapped("PU0,0;PD2147483656,0;SP0;");
    EXPECT_EQ(save(wrapped.run),
              std::make_pair(SaveResult::OutOfRange, std::string(Text(TextId::PlacedOutOfRange, 0)) + "\n"));
    EXPECT_EQ(test::ReadFileBytes(target), first);
}

}  // namespace
}  // namespace kerfmax
