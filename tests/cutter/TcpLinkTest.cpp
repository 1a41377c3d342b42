// The network link against real TCP peers on 127.0.0.1.
#include <gtest/gtest.h>

#include "platform/Notifier.h"
#include "cutter/Cutter.h"
#include "cutter/SendTestPeers.h"
#include "cutter/SocketX.h"

namespace kerfmax {
namespace {

using namespace std::chrono_literals;
using sendtest::TcpPeer;
constexpr auto NetworkSettings = sendtest::NetworkLink;

// A listener the test serves itself: Open completes the handshake from the
// backlog and the test accepts afterwards.
struct Listener {
    Listener() : fd(sendtest::ListenOnLoopback(port)) {}
    ~Listener() { ::close(fd); }
    int Accept() { return ::accept4(fd, nullptr, nullptr, SOCK_CLOEXEC); }
    int port = 0;
    int fd = -1;
};

class TcpLink : public ::testing::Test {
protected:
    void SetUp() override { cutter.SetNotifier(&notes); }
    RecordingNotifier notes;
    CHpglCutter cutter;
    std::atomic<int> cancel{0};
};

TEST_F(TcpLink, FailedConnectShowsTheSystemReasonAndLeavesTheCutterClosed)
{
    int port = Listener().port;  // bound, then released: nothing listens there
    EXPECT_EQ(cutter.Open(NetworkSettings(port)), 0);
    EXPECT_EQ(notes.messages, "Warning: Connection refused\n");
    LinkSettings named = NetworkSettings(5000);
    named.hostAddress = "cutter.local";  // not a dotted address
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
    ::close(peer);  // the peer goes first, after a job that went through
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
    EXPECT_EQ(first.Received(), "IN;");  // returns once that connection has ended
    ASSERT_EQ(cutter.Write("SP1;", 4, &cancel, 1), 4);
    cutter.Close();
    EXPECT_EQ(second.Received(), "SP1;");
}

}  // namespace
}  // namespace kerfmax
