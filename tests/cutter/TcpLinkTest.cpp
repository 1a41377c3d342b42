// The network link as the send worker meets it: a real TCP peer on 127.0.0.1.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include "app/Notifier.h"
#include "cutter/Cutter.h"
#include "cutter/LinkTestHelpers.h"
#include "cutter/SocketX.h"

namespace kerfmax {
namespace {

using namespace std::chrono_literals;
using linktest::LoopbackListener;

LinkSettings NetworkSettings(int port)
{
    LinkSettings settings;
    settings.linkType = LINK_NETWORK;
    settings.hostAddress = "127.0.0.1";
    settings.tcpPort = port;
    settings.noAckWait = 1;
    return settings;
}

std::string JobOf(std::size_t bytes)
{
    std::string job;
    for (long i = 0; job.size() < bytes; ++i) job += "PD" + std::to_string(i) + ",-" + std::to_string(i) + ";";
    job.resize(bytes);
    return job;
}

// Writes the job in chunks the way the send worker does; stops at the first short write.
int SendInChunks(CCutter& cutter, const std::string& job, std::size_t chunk, const std::atomic<int>* cancel)
{
    for (std::size_t at = 0; at < job.size(); at += chunk) {
        int length = static_cast<int>(std::min(chunk, job.size() - at));
        int result = cutter.Write(job.data() + at, length, cancel, 1);
        if (result != length) return result;
    }
    return static_cast<int>(job.size());
}

TEST(TcpLink, JobArrivesWholeAndInOrderEvenAtASlowReader)
{
    std::string received;
    LoopbackListener peer([&](int fd) { received = linktest::ReadUntilClosed(fd, 2ms); }, 8192);
    RecordingNotifier notes;
    CHpglCutter cutter;
    cutter.SetNotifier(&notes);
    ASSERT_EQ(cutter.Open(NetworkSettings(peer.Port())), 1);
    EXPECT_EQ(cutter.IsOpen(), 1);

    std::string job = JobOf(300'000);
    std::atomic<int> cancel{0};
    EXPECT_EQ(SendInChunks(cutter, job, 512, &cancel), static_cast<int>(job.size()));
    cutter.Close();
    EXPECT_EQ(cutter.IsOpen(), 0);
    peer.Join();
    EXPECT_EQ(received.size(), job.size());
    EXPECT_TRUE(received == job);
    EXPECT_EQ(notes.count, 0) << notes.messages;
}

TEST(TcpLink, RefusedConnectionShowsTheSystemReasonAndDoesNotOpen)
{
    RecordingNotifier notes;
    CHpglCutter cutter;
    cutter.SetNotifier(&notes);
    EXPECT_EQ(cutter.Open(NetworkSettings(linktest::RefusingPort())), 0);
    EXPECT_EQ(cutter.IsOpen(), 0);
    EXPECT_EQ(notes.messages, "Warning: Connection refused\n");
    EXPECT_EQ(cutter.Socket(), nullptr);
    std::atomic<int> cancel{0};
    EXPECT_EQ(cutter.Write("PU0,0;", 6, &cancel, 1), 0);
}

TEST(TcpLink, AddressThatIsNotDottedIPv4FailsWithAWarning)
{
    RecordingNotifier notes;
    CHpglCutter cutter;
    cutter.SetNotifier(&notes);
    LinkSettings settings = NetworkSettings(5000);
    settings.hostAddress = "cutter.local";
    EXPECT_EQ(cutter.Open(settings), 0);
    EXPECT_EQ(notes.messages.rfind("Warning: ", 0), 0u) << notes.messages;
}

TEST(TcpLink, PeerClosingMidJobIsReportedAndFailsTheSend)
{
    LoopbackListener peer([](int fd) { linktest::ReadExactly(fd, 1024); });
    RecordingNotifier notes;
    CHpglCutter cutter;
    cutter.SetNotifier(&notes);
    ASSERT_EQ(cutter.Open(NetworkSettings(peer.Port())), 1);
    std::atomic<int> cancel{0};
    std::string chunk = JobOf(512);
    ASSERT_EQ(cutter.Write(chunk.data(), 512, &cancel, 1), 512);
    ASSERT_EQ(cutter.Write(chunk.data(), 512, &cancel, 1), 512);
    peer.Join();

    int result = 512;
    for (int i = 0; i < 200 && result == 512; ++i) {
        result = cutter.Write(chunk.data(), 512, &cancel, 1);
        std::this_thread::sleep_for(5ms);
    }
    EXPECT_EQ(result, -1);
    EXPECT_NE(notes.messages.find("Socket Close!!!\n"), std::string::npos) << notes.messages;
    EXPECT_NE(notes.messages.find("SendMsg Error!!!\nWarning: "), std::string::npos) << notes.messages;
    cutter.Close();
    EXPECT_EQ(cutter.IsOpen(), 0);
}

TEST(TcpLink, CancelEndsASendThatAPeerNeverReads)
{
    std::atomic<bool> release{false};
    LoopbackListener peer(
        [&](int) {
            while (!release) std::this_thread::sleep_for(5ms);
        },
        4096);
    RecordingNotifier notes;
    CHpglCutter cutter;
    cutter.SetNotifier(&notes);
    ASSERT_EQ(cutter.Open(NetworkSettings(peer.Port())), 1);

    std::atomic<int> cancel{0};
    std::string big(32u << 20, 'U');
    std::atomic<int> result{-2};
    std::thread writer([&] { result = cutter.Write(big.data(), static_cast<int>(big.size()), &cancel, 1); });
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(result.load(), -2) << "the write should still be waiting for the peer";
    auto cancelledAt = std::chrono::steady_clock::now();
    cancel = 1;
    writer.join();
    auto took = std::chrono::steady_clock::now() - cancelledAt;
    EXPECT_LT(took, 2s);
    EXPECT_GE(result.load(), 0);
    EXPECT_LT(result.load(), static_cast<int>(big.size()));

    // With the flag set, closing does not wait for the silent peer either.
    auto closeStart = std::chrono::steady_clock::now();
    cutter.Close();
    EXPECT_LT(std::chrono::steady_clock::now() - closeStart, 2s);
    release = true;
    EXPECT_EQ(notes.count, 0) << notes.messages;
}

TEST(TcpLink, EachArrivalReplacesTheReceivedTextAndALateCloseIsReported)
{
    std::atomic<int> step{0};
    LoopbackListener peer([&](int fd) {
        ::send(fd, "first", 5, MSG_NOSIGNAL);
        while (step < 1) std::this_thread::sleep_for(2ms);
        ::send(fd, "second\0tail", 11, MSG_NOSIGNAL);
        linktest::ReadExactly(fd, 6);
    });
    RecordingNotifier notes;
    CHpglCutter cutter;
    cutter.SetNotifier(&notes);
    ASSERT_EQ(cutter.Open(NetworkSettings(peer.Port())), 1);
    CSocketX* socket = cutter.Socket();
    ASSERT_NE(socket, nullptr);

    auto waitFor = [&](const std::string& text) {
        for (int i = 0; i < 500 && socket->receivedText != text; ++i) {
            socket->PumpNotifications();
            std::this_thread::sleep_for(2ms);
        }
        return socket->receivedText;
    };
    EXPECT_EQ(waitFor("first"), "first");
    step = 1;
    EXPECT_EQ(waitFor("second"), "second");

    std::atomic<int> cancel{0};
    EXPECT_EQ(cutter.Write("PG;@ ;", 6, &cancel, 1), 6);
    peer.Join();
    cutter.Close();
    EXPECT_EQ(notes.messages, "Socket Close!!!\n");
}

TEST(TcpLink, OpeningAnOpenCutterClosesTheOldConnectionFirst)
{
    std::string first;
    std::string second;
    LoopbackListener peerA([&](int fd) { first = linktest::ReadUntilClosed(fd); });
    LoopbackListener peerB([&](int fd) { second = linktest::ReadUntilClosed(fd); });
    RecordingNotifier notes;
    CHpglCutter cutter;
    cutter.SetNotifier(&notes);
    std::atomic<int> cancel{0};
    ASSERT_EQ(cutter.Open(NetworkSettings(peerA.Port())), 1);
    ASSERT_EQ(cutter.Write("IN;", 3, &cancel, 1), 3);
    ASSERT_EQ(cutter.Open(NetworkSettings(peerB.Port())), 1);
    peerA.Join();   // ends only when the old connection was closed
    ASSERT_EQ(cutter.Write("SP1;", 4, &cancel, 1), 4);
    cutter.Close();
    peerB.Join();
    EXPECT_EQ(first, "IN;");
    EXPECT_EQ(second, "SP1;");
}

TEST(SocketX, ErrorTextIsTheSystemsReasonInTheWarningForm)
{
    EXPECT_EQ(CSocketX::FormatError(ECONNREFUSED), "Warning: Connection refused\n");
    EXPECT_EQ(CSocketX::FormatError(ETIMEDOUT), "Warning: Connection timed out\n");
}

}  // namespace
}  // namespace kerfmax
