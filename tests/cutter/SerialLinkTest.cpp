// The serial link over a real pty pair made by socat. A pty has no CTS line,
// so the handshake tests hand the link a CTS line the test holds.
#include <gtest/gtest.h>

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

TEST_F(SerialLink, WriteWaitsForCtsOrAStoppedReaderWithoutSpinningUntilReleasedCancelledOrThePortVanishes)
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

    // A port whose line status can no longer be read has vanished: the write fails at once.
    cancel = 0;
    cts.failWith = EIO;
    EXPECT_EQ(cutter.Write("PU0,0;", 6, &cancel, 1), -1);

    // A virtual COM port has no handshake to look at (the vanished line would
    // fail it at once); a write held up by a reader that stopped ends at once
    // when it is cancelled.
    cutter.linkType = LINK_VCOM;
    const std::string chunk(4 << 20, 'X');  // far more than the pty can hold
    result = -2;
    writer = WriteLater(chunk.c_str(), result);
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(result.load(), -2) << "the write should still be waiting for the reader";
    cancel = 1;
    writer.join();
    EXPECT_EQ(result.load(), 0);
    cutter.Close();
    EXPECT_EQ(cutter.SerialLink().IsOpen(), 0);
}

// A cutter that stops reading for a minute while it cuts is waited for, and
// the close waits until a slow reader has every byte.
TEST_F(SerialLink, AReaderThatPausesAMinuteGetsEveryByteAndTheSendSucceeds)
{
    const std::string job = sendtest::Strokes(400'000);
    test::TempDir dir;
    test::WriteFileBytes(dir / "out.hb", job);
    ASSERT_EQ(cutter.Open(sendtest::SerialLink(pair.Near())), 1);
    std::string received;
    {
        sendtest::BackgroundSend send(cutter, LINK_SERIAL, dir / "out.hb");
        std::thread reader([&] {
            received = ReadSlowly(pair.FarFd(), job.size() / 2);
            std::this_thread::sleep_for(60s);  // the reader stops
            EXPECT_FALSE(send.ended.load()) << "the send gave up on a busy cutter";
            received += ReadSlowly(pair.FarFd(), job.size() - received.size());
        });
        send.Wait();
        cutter.Close();
        reader.join();
        EXPECT_EQ(send.outcome, SendOutcome::Finished) << send.messages;
    }
    EXPECT_TRUE(received == job) << received.size() << " of " << job.size() << " bytes";
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
