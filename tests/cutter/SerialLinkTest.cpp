// The serial link over a real pty pair made by socat. A pty has no CTS line,
// so the handshake tests hand the link a CTS line the test holds.
#include <gtest/gtest.h>

#include <iostream>

#include "platform/SystemError.h"
#include "cutter/Cutter.h"
#include "cutter/RS232.h"
#include "cutter/SendTestPeers.h"

namespace kerfmax {
namespace {

using namespace std::chrono_literals;

// Reads `bytes` bytes in small pieces, pausing after each: a slow cutter.
std::string ReadSlowly(int fd, std::size_t bytes)
{
    std::string got;
    while (got.size() < bytes) {
        std::string piece = sendtest::ReadUntilQuiet(fd, 5s, 0ms);
        if (piece.empty()) break;
        got += piece;
        std::this_thread::sleep_for(1ms);
    }
    return got;
}

class SerialLink : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!test::HaveProgram("socat")) GTEST_SKIP() << "socat is not installed";
        ASSERT_TRUE(pair.Ready());
    }
    // Starts a write on another thread, as the send worker does.
    std::thread WriteLater(const char* text, std::atomic<int>& result)
    {
        return std::thread(
            [this, text, &result] { result = cutter.Write(text, static_cast<int>(std::strlen(text)), &cancel, 1); });
    }
    sendtest::SocatPtyPair pair;
    CHpglCutter cutter;
    sendtest::HeldCtsLine cts;
    std::atomic<int> cancel{0};
};

TEST_F(SerialLink, SlowReaderStillGetsEveryByteAfterClose)
{
    std::string job;
    for (int i = 0; job.size() < 100'000; ++i) job += "PD" + std::to_string(i) + "," + std::to_string(-i) + ";";
    std::string received;
    std::thread reader([&] { received = ReadSlowly(pair.FarFd(), job.size()); });
    ASSERT_EQ(cutter.Open(sendtest::SerialLink(pair.Near(), LINK_VCOM)), 1);
    for (std::size_t at = 0; at < job.size(); at += 512) {
        int length = static_cast<int>(std::min<std::size_t>(512, job.size() - at));
        ASSERT_EQ(cutter.Write(job.data() + at, length, &cancel, 1), length);
    }
    cutter.Close();
    reader.join();
    EXPECT_TRUE(received == job);
}

TEST_F(SerialLink, WriteWaitsForCtsWithoutSpinningUntilRaisedOrCancelled)
{
    ASSERT_EQ(cutter.Open(sendtest::SerialLink(pair.Near())), 1);
    cutter.SerialLink().SetModemStatusSource(&cts);
    cts.ctsOn = false;
    std::atomic<int> result{-2};
    std::thread writer = WriteLater("PD5,5;", result);
    std::this_thread::sleep_for(150ms);
    EXPECT_EQ(result.load(), -2);
    EXPECT_EQ(pair.ReadFar(0ms), "");
    EXPECT_GT(cts.polls.load(), 1);
    EXPECT_LT(cts.polls.load(), 100) << "the wait should sleep between looks at the line";
    cts.ctsOn = true;
    writer.join();
    EXPECT_EQ(result.load(), 6);
    EXPECT_EQ(pair.ReadFar(), "PD5,5;");

    cts.ctsOn = false;
    writer = WriteLater("PU0,0;", result);
    std::this_thread::sleep_for(50ms);
    cancel = 1;
    writer.join();
    EXPECT_EQ(result.load(), 0);
    EXPECT_EQ(pair.ReadFar(100ms), "");
    // Already cancelled: not even a look at the line.
    int polls = cts.polls.load();
    EXPECT_EQ(cutter.Write("PU0,0;", 6, &cancel, 1), 0);
    EXPECT_EQ(cts.polls.load(), polls);

    // A virtual COM port has no handshake to wait for.
    cancel = 0;
    cutter.linkType = LINK_VCOM;
    EXPECT_EQ(cutter.Write("PG;", 3, &cancel, 1), 3);
    EXPECT_EQ(pair.ReadFar(), "PG;");
    EXPECT_EQ(cts.polls.load(), polls);
}

TEST_F(SerialLink, APortThatVanishesFailsAtOnceWithTheSystemsReason)
{
    ASSERT_EQ(cutter.Open(sendtest::SerialLink(pair.Near())), 1);
    cutter.SerialLink().SetModemStatusSource(&cts);
    cts.failWith = EIO;  // the line status can no longer be read
    EXPECT_EQ(cutter.Write("PU0,0;", 6, &cancel, 1), -1);

    // A write held up by a reader that stopped, and then the cable is pulled.
    cutter.SerialLink().SetModemStatusSource(nullptr);
    cutter.linkType = LINK_VCOM;
    const std::string chunk(4 << 20, 'X');
    std::atomic<int> result{-2};
    std::thread writer([&] { result = cutter.Write(chunk.data(), static_cast<int>(chunk.size()), &cancel, 1); });
    std::this_thread::sleep_for(200ms);
    ASSERT_EQ(result.load(), -2) << "the write should still be waiting for the reader";
    const auto killedAt = std::chrono::steady_clock::now();
    pair.Kill();
    writer.join();
    EXPECT_LT(std::chrono::steady_clock::now() - killedAt, 1s);
    EXPECT_EQ(result.load(), -1);
    EXPECT_EQ(SystemErrorText(cutter.LastError()), SystemErrorText(EIO));
    cutter.Close();
    EXPECT_EQ(cutter.SerialLink().IsOpen(), 0);
}

// A cutter that stops reading for a minute while it cuts is waited for.
TEST_F(SerialLink, AReaderThatPausesAMinuteGetsEveryByteAndTheSendSucceeds)
{
    std::string job;
    for (int i = 0; job.size() < 400'000; ++i) job += "PD" + std::to_string(i) + "," + std::to_string(-i) + ";";
    test::TempDir dir;
    test::WriteFileBytes(dir / "out.hb", job);
    ASSERT_EQ(cutter.Open(sendtest::SerialLink(pair.Near())), 1);
    sendtest::BackgroundSend send(cutter, LINK_SERIAL, dir / "out.hb");

    std::string received = pair.ReadFar(5s, 0ms);
    while (received.size() < job.size() / 2) received += pair.ReadFar(5s, 0ms);
    std::this_thread::sleep_for(60s);  // the reader stops
    EXPECT_FALSE(send.ended.load()) << send.messages;
    const std::uint64_t counted = send.bytesSent.load();
    const std::size_t taken = received.size();
    while (received.size() < job.size()) {
        std::string piece = pair.ReadFar(5s, 0ms);
        if (piece.empty()) break;
        received += piece;
    }
    send.Wait();
    cutter.Close();
    EXPECT_EQ(send.outcome, SendOutcome::Finished) << send.messages;
    EXPECT_EQ(received.size(), job.size());
    EXPECT_TRUE(received == job);
    std::cout << "measured: serial pause 60 s; counted " << counted << " B while the reader had " << taken
              << " B; delivered " << received.size() << " of " << job.size() << " B\n";
}

TEST_F(SerialLink, CancelEndsAWriteBlockedByAReaderThatStopped)
{
    CRS232 link;
    link.m_strDevicePath = pair.Near();
    ASSERT_EQ(link.Open(), 1);
    const std::string chunk(4 << 20, 'X');  // far more than the pty can hold
    std::atomic<int> result{-2};
    std::thread writer([&] { result = link.Write(chunk.data(), static_cast<int>(chunk.size()), &cancel); });
    std::this_thread::sleep_for(200ms);
    ASSERT_EQ(result.load(), -2) << "the write should still be waiting for the reader";
    auto cancelledAt = std::chrono::steady_clock::now();
    cancel = 1;
    writer.join();
    EXPECT_LT(std::chrono::steady_clock::now() - cancelledAt, 100ms);
    EXPECT_EQ(result.load(), 0);
}

TEST_F(SerialLink, EchoReadWritesEveryByteBackAndAPtyCountsAsCtsOn)
{
    CRS232 link;
    link.m_strDevicePath = pair.Near();
    link.echoRead = 1;
    ASSERT_EQ(link.Open(), 1);
    ASSERT_EQ(::write(pair.FarFd(), "HELLO", 5), 5);
    char buffer[5] = {};
    EXPECT_EQ(link.Read(buffer, 5), 5);
    EXPECT_EQ(std::string(buffer, 5), "HELLO");
    EXPECT_EQ(pair.ReadFar(), "HELLO");
    EXPECT_EQ(link.Read(nullptr, 5), 0);
    bool ctsOn = false;
    int error = 0;
    EXPECT_TRUE(link.ReadCts(ctsOn, error));
    EXPECT_TRUE(ctsOn);
}

TEST(SerialLinkSettings, EachInvalidFieldFailsTheOpen)
{
    auto opensWith = [](auto change) {
        CRS232 link;
        change(link);
        return link.Open();
    };
    EXPECT_EQ(opensWith([](CRS232& l) { l.m_nPort = 0; }), 0);
    EXPECT_EQ(opensWith([](CRS232& l) { l.m_nPort = 1000; }), 0);
    EXPECT_EQ(opensWith([](CRS232& l) { l.m_nBaudRate = 0; }), 0);
    EXPECT_EQ(opensWith([](CRS232& l) { l.m_nDataBits = 4; }), 0);
    EXPECT_EQ(opensWith([](CRS232& l) { l.m_nDataBits = 10; }), 0);
    EXPECT_EQ(opensWith([](CRS232& l) { l.m_nParity = 3; }), 0);
    EXPECT_EQ(opensWith([](CRS232& l) { l.m_fStopBits = 2.5f; }), 0);

    CRS232 link;
    link.m_nPort = 12;
    EXPECT_EQ(link.DeviceName(), "/dev/ttyS11");
    link.m_strDevicePath = "/dev/ttyUSB0";
    EXPECT_EQ(link.DeviceName(), "/dev/ttyUSB0");
}

}  // namespace
}  // namespace kerfmax
