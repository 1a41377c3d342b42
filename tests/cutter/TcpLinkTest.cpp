// The network link against real TCP peers on 127.0.0.1, and in a network
// namespace of the test's own for a peer that vanishes.
#include <gtest/gtest.h>

#include <net/if.h>

#include <cstdlib>

#include "platform/Notifier.h"
#include "platform/SystemError.h"
#include "cutter/LinkLiveness.h"
#include "cutter/SendTestPeers.h"

namespace kerfmax {
namespace {

using namespace std::chrono_literals;
using sendtest::BackgroundSend;
using sendtest::Clock;
using sendtest::NetworkLink;
using sendtest::ReaderPause;
using sendtest::TcpPeer;

// A peer that talks and closes first, after a job that went through, is told
// to the user once, at the close. Open completes the handshake from the
// backlog; the test accepts afterwards.
TEST(TcpLink, APeerThatClosesFirstIsReportedAtTheClose)
{
    RecordingNotifier notes;
    CHpglCutter cutter;
    cutter.SetNotifier(&notes);
    std::atomic<int> cancel{0};
    int port = 0;
    const int listener = sendtest::ListenOnLoopback(port);
    ASSERT_EQ(cutter.Open(NetworkLink(port)), 1);
    int peer = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    EXPECT_EQ(cutter.Write("PG;", 3, &cancel, 1), 3);
    EXPECT_EQ(sendtest::ReadUntilQuiet(peer, 2s, 50ms), "PG;");
    ::send(peer, "ok", 2, MSG_NOSIGNAL);
    ::close(peer);
    std::this_thread::sleep_for(20ms);
    cutter.Close();
    ::close(listener);
    EXPECT_EQ(notes.messages, "Socket Close!!!\n");
}

// The rule that keeps a busy peer's closed window from the system's time-out,
// step by step on one connection.
TEST(TcpWindowWatch, AClosedWindowIsKeptAliveOnlyWhileThePeerAnswers)
{
    const auto base = TcpLivenessSettings().userTimeout;
    const TcpFlow open{TcpPhase::Open, false, 5, 0};
    const TcpFlow answering{TcpPhase::Open, true, 3000, 70000};
    const TcpFlow silent{TcpPhase::Open, true, 25000, 70000};
    const TcpFlow untold{TcpPhase::Open, true, -1, 70000};
    struct Step {
        const TcpFlow& flow;
        std::chrono::milliseconds at;
        std::optional<std::chrono::milliseconds> wanted;
    };
    const Step steps[] = {
        {open, 0ms, std::nullopt},  // the time-out it was made with
        {answering, 30s, std::nullopt},  // never below that time-out
        {answering, 60s, 70s},  // closed for 60 s: 10 s ahead
        {answering, 60300ms, 71s},  // whole seconds, never short
        {answering, 60900ms, std::nullopt},  // at most one change a second
        {silent, 120s, std::nullopt},  // left to run out: the system ends it
        {untold, 200s, std::nullopt},  // no word of the peer: the system's rule
        {open, 210s, base},  // reopened
        {answering, 215s, std::nullopt},  // counted from the reopening
    };
    TcpWindowWatch watch(Clock::time_point{});
    for (const Step& step : steps) {
        EXPECT_EQ(watch.Update(step.flow, Clock::time_point{} + step.at), step.wanted)
            << "at " << step.at.count() << " ms";
    }
}

// A peer with a receive buffer as small as an embedded cutter's stops reading
// for longer than the link's time-out, as a cutter does while its buffer is
// full: the send waits, counts no more than the system queued, and ends with
// every byte delivered.
TEST(TcpBusyCutter, ASmallBufferPeerThatStopsNinetySecondsWithAMegabyteLeftGetsEveryByte)
{
    test::TempDir dir;
    const std::string job = sendtest::Strokes(2 << 20);
    test::WriteFileBytes(dir / "out.hb", job);
    TcpPeer peer(TcpPeer::Mode::Record, ReaderPause{1 << 20, 90s, 8192});
    RecordingNotifier notes;
    CHpglCutter cutter;
    cutter.SetNotifier(&notes);
    ASSERT_EQ(cutter.Open(NetworkLink(peer.Port())), 1);
    BackgroundSend send(cutter, LINK_NETWORK, dir / "out.hb");

    for (auto until = Clock::now() + 30s; !peer.Paused() && Clock::now() < until;) std::this_thread::sleep_for(10ms);
    ASSERT_TRUE(peer.Paused());
    std::this_thread::sleep_for(3s);  // every buffer on the way is full by now
    EXPECT_LE(send.bytesSent.load() - peer.ReceivedSoFar(), 256u * 1024) << "the send counts what the system queued";
    send.Wait();
    cutter.Close();

    EXPECT_EQ(send.outcome, SendOutcome::Finished) << send.messages << notes.messages;
    EXPECT_TRUE(send.messages.empty()) << send.messages;
    const std::string received = peer.Received();
    EXPECT_TRUE(received == job) << received.size() << " of " << job.size() << " bytes";
}

// Brings up the loopback interface of a fresh network namespace.
bool BringUpLoopback()
{
    int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    bool up = fd >= 0 && ::ioctl(fd, SIOCGIFFLAGS, &request) == 0;
    request.ifr_flags = static_cast<short>(request.ifr_flags | IFF_UP);
    up = up && ::ioctl(fd, SIOCSIFFLAGS, &request) == 0;
    if (fd >= 0) ::close(fd);
    return up;
}

constexpr const char* kInNamespace = "KERFMAX_TEST_IN_NETNS";

// Runs this test again in a network namespace of its own (as root, or as the
// root of a new user namespace otherwise); its output tells what it measured.
void RunInANetworkNamespace(const char* testName)
{
    if (!test::HaveProgram("unshare")) GTEST_SKIP() << "unshare (util-linux) is not installed";
    if (!test::HaveProgram("nft")) GTEST_SKIP() << "nft (nftables) is not installed";
    const auto run = test::RunProgram(
        {"unshare", ::geteuid() == 0 ? "-n" : "-rn", std::filesystem::read_symlink("/proc/self/exe").string(),
         std::string("--gtest_filter=") + testName},
        {std::string(kInNamespace) + "=1"});
    if (run.err.rfind("unshare:", 0) == 0) GTEST_SKIP() << "cannot make a network namespace: " << run.err;
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
}

TEST(TcpGoneCutter, APeerThatVanishesEndsTheSendWithTheSystemsReason)
{
    if (std::getenv(kInNamespace) == nullptr) return RunInANetworkNamespace("TcpGoneCutter.*");
    ASSERT_TRUE(BringUpLoopback());
    test::TempDir dir;
    test::WriteFileBytes(dir / "out.hb", sendtest::Strokes(32 << 20));
    TcpPeer peer(TcpPeer::Mode::SlowRecord);
    RecordingNotifier notes;
    CHpglCutter cutter;
    cutter.SetNotifier(&notes);
    ASSERT_EQ(cutter.Open(NetworkLink(peer.Port())), 1);
    BackgroundSend send(cutter, LINK_NETWORK, dir / "out.hb");
    for (auto until = Clock::now() + 10s; peer.ReceivedSoFar() < (256 << 10) && Clock::now() < until;)
        std::this_thread::sleep_for(5ms);
    ASSERT_GE(peer.ReceivedSoFar(), 256u << 10) << "the job never flowed";

    // From now on nothing reaches the peer, and it says nothing more.
    const std::string drop =
        "nft add table inet t && nft add chain inet t c '{ type filter hook output priority 0; }' "
        "&& nft add rule inet t c tcp dport " +
        std::to_string(peer.Port()) + " drop";
    ASSERT_EQ(std::system(drop.c_str()), 0);
    const auto droppedAt = Clock::now();
    for (auto until = droppedAt + 120s; !send.ended.load() && Clock::now() < until;) std::this_thread::sleep_for(50ms);
    ASSERT_TRUE(send.ended.load()) << "still waiting for a peer that is gone";
    const auto took = send.endedAt - droppedAt;

    EXPECT_EQ(send.outcome, SendOutcome::Failed);
    EXPECT_LT(took, 90s);
    EXPECT_EQ(notes.messages, "SendMsg Error!!!\nWarning: " + SystemErrorText(TimedOutErrorCode()) + "\n");
    EXPECT_EQ(send.messages.rfind("Warning: " + SystemErrorText(TimedOutErrorCode()) + "\nylen:", 0), 0u)
        << send.messages;
}

}  // namespace
}  // namespace kerfmax
