// The network link against real TCP peers on 127.0.0.1.
#include <gtest/gtest.h>

#include "app/Notifier.h"
#include "cutter/Cutter.h"
#include "cutter/SendTestPeers.h"
#include "cutter/SocketX.h"

namespace kerfmax {
namespace {

using namespace std::chrono_literals;
using sendtest::TcpPeer;

LinkSettings NetworkSettings(int port)
{
    LinkSettings settings;
    settings.linkType = LINK_NETWORK;
    settings.hostAddress = "127.0.0.1";
    settings.tcpPort = port;
    settings.noAckWait = 1;
    return settings;
}

// A listener the test serves itself, on its own thread: Open completes the
// handshake from the backlog and the test accepts afterwards.
struct Listener {
    Listener()
    {
        fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(fd, 1);
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
        port = ntohs(address.sin_port);
    }
    ~Listener() { ::close(fd); }
    int Accept() { return ::accept4(fd, nullptr, nullptr, SOCK_CLOEXEC); }
    int fd = -1;
    int port = 0;
};

class TcpLink : public ::testing::Test {
protected:
    void SetUp() override { cutter.SetNotifier(&notes); }
    int SendChunks(const std::string& job, std::size_t chunk)
    {
        for (std::size_t at = 0; at < job.size(); at += chunk) {
            int length = static_cast<int>(std::min(chunk, job.size() - at));
            int result = cutter.Write(job.data() + at, length, &cancel, 1);
            if (result != length) return result;
        }
        return static_cast<int>(job.size());
    }
    RecordingNotifier notes;
    CHpglCutter cutter;
    std::atomic<int> cancel{0};
};

TEST_F(TcpLink, SlowReaderGetsTheWholeJobInOrderAfterClose)
{
    TcpPeer peer({TcpPeer::Mode::Record, 300us, 1024, 0});
    ASSERT_EQ(cutter.Open(NetworkSettings(peer.Port())), 1);
    std::string job;
    for (int i = 0; job.size() < 300'000; ++i) job += "PD" + std::to_string(i) + ",-" + std::to_string(i) + ";";
    EXPECT_EQ(SendChunks(job, 512), static_cast<int>(job.size()));
    cutter.Close();
    EXPECT_EQ(cutter.IsOpen(), 0);
    EXPECT_TRUE(peer.Received() == job);
    EXPECT_EQ(notes.count, 0) << notes.messages;
}

TEST_F(TcpLink, FailedConnectShowsTheSystemReasonAndLeavesTheCutterClosed)
{
    int port = Listener().port;   // bound, then released: nothing listens there
    EXPECT_EQ(cutter.Open(NetworkSettings(port)), 0);
    EXPECT_EQ(notes.messages, "Warning: Connection refused\n");
    LinkSettings named = NetworkSettings(5000);
    named.hostAddress = "cutter.local";   // not a dotted address
    EXPECT_EQ(cutter.Open(named), 0);
    EXPECT_EQ(notes.count, 2);
    EXPECT_EQ(cutter.IsOpen(), 0);
    EXPECT_EQ(cutter.Socket(), nullptr);
    EXPECT_EQ(cutter.Write("PU0,0;", 6, &cancel, 1), 0);
}

TEST_F(TcpLink, PeerClosingMidJobIsReportedAndFailsTheSend)
{
    Listener listener;
    ASSERT_EQ(cutter.Open(NetworkSettings(listener.port)), 1);
    int peer = listener.Accept();
    std::string chunk(512, 'D');
    ASSERT_EQ(cutter.Write(chunk.data(), 512, &cancel, 1), 512);
    EXPECT_EQ(sendtest::ReadUntilQuiet(peer, 2s, 50ms).size(), 512u);
    ::close(peer);

    int result = 512;
    for (int i = 0; i < 200 && result == 512; ++i) {
        std::this_thread::sleep_for(5ms);
        result = cutter.Write(chunk.data(), 512, &cancel, 1);
    }
    EXPECT_EQ(result, -1);
    // The reason depends on how far the peer's end had got: reset or broken pipe.
    EXPECT_EQ(notes.messages.rfind("Socket Close!!!\nSendMsg Error!!!\nWarning: ", 0), 0u) << notes.messages;
    cutter.Close();
    EXPECT_EQ(cutter.IsOpen(), 0);
}

TEST_F(TcpLink, CancelEndsASendThatThePeerNeverReads)
{
    TcpPeer peer({TcpPeer::Mode::NeverRead, {}, 65536, 0});
    ASSERT_EQ(cutter.Open(NetworkSettings(peer.Port())), 1);
    std::string big(32u << 20, 'U');
    std::atomic<int> result{-2};
    std::thread writer([&] { result = cutter.Write(big.data(), static_cast<int>(big.size()), &cancel, 1); });
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(result.load(), -2) << "the send should still wait for room";
    auto cancelledAt = sendtest::Clock::now();
    cancel = 1;
    writer.join();
    cutter.Close();   // with the flag set, no wait for the silent peer either
    EXPECT_LT(sendtest::Clock::now() - cancelledAt, 2s);
    EXPECT_GE(result.load(), 0);
    EXPECT_LT(result.load(), static_cast<int>(big.size()));
    EXPECT_EQ(notes.count, 0) << notes.messages;
}

TEST_F(TcpLink, EachArrivalReplacesTheReceivedTextAndALateCloseIsReported)
{
    Listener listener;
    ASSERT_EQ(cutter.Open(NetworkSettings(listener.port)), 1);
    int peer = listener.Accept();
    CSocketX* socket = cutter.Socket();
    ASSERT_NE(socket, nullptr);
    auto arrived = [&](const char* text, std::size_t length) {
        ::send(peer, text, length, MSG_NOSIGNAL);
        for (int i = 0; i < 500 && socket->receivedText.empty(); ++i) {
            std::this_thread::sleep_for(2ms);
            socket->PumpNotifications();
        }
        std::string got = socket->receivedText;
        socket->receivedText.clear();
        return got;
    };
    EXPECT_EQ(arrived("first", 5), "first");
    EXPECT_EQ(arrived("second\0tail", 11), "second");

    EXPECT_EQ(cutter.Write("PG;", 3, &cancel, 1), 3);
    EXPECT_EQ(sendtest::ReadUntilQuiet(peer, 2s, 50ms), "PG;");
    ::close(peer);   // the peer goes first, after a job that went through
    std::this_thread::sleep_for(20ms);
    cutter.Close();
    EXPECT_EQ(notes.messages, "Socket Close!!!\n");
}

TEST_F(TcpLink, OpeningAnOpenCutterClosesTheOldConnectionFirst)
{
    TcpPeer first;
    TcpPeer second;
    ASSERT_EQ(cutter.Open(NetworkSettings(first.Port())), 1);
    ASSERT_EQ(cutter.Write("IN;", 3, &cancel, 1), 3);
    ASSERT_EQ(cutter.Open(NetworkSettings(second.Port())), 1);
    EXPECT_EQ(first.Received(), "IN;");   // returns once that connection has ended
    ASSERT_EQ(cutter.Write("SP1;", 4, &cancel, 1), 4);
    cutter.Close();
    EXPECT_EQ(second.Received(), "SP1;");
}

}  // namespace
}  // namespace kerfmax
