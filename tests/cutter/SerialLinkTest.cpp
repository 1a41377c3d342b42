// The serial link over a real pty pair made by socat. A pty has no CTS line,
// so the handshake tests hand the link a modem-status double.
#include <gtest/gtest.h>

#include <unistd.h>

#include "app/Notifier.h"
#include "cutter/Cutter.h"
#include "cutter/LinkTestHelpers.h"
#include "cutter/RS232.h"

namespace kerfmax {
namespace {

using namespace std::chrono_literals;
using linktest::SocatPtyPair;

// CTS stays low until the test raises it.
class HeldCts final : public ModemStatusSource {
public:
    bool ReadModemStatus(std::uint32_t& status, int& errorCode) override
    {
        ++polls;
        if (failWith != 0) {
            errorCode = failWith;
            return false;
        }
        status = ctsOn ? kModemCtsOn : 0;
        return true;
    }
    std::atomic<bool> ctsOn{false};
    std::atomic<int> failWith{0};
    std::atomic<int> polls{0};
};

LinkSettings SerialSettings(const std::string& device, LinkType type = LINK_SERIAL)
{
    LinkSettings settings;
    settings.linkType = type;
    settings.baudRate = kCutterBaudRate;
    settings.serialDevicePath = device;
    return settings;
}

class SerialLink : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!test::HaveProgram("socat")) GTEST_SKIP() << "socat is not installed";
        ASSERT_TRUE(pair.Ready());
    }
    SocatPtyPair pair;
    std::atomic<int> cancel{0};
};

TEST_F(SerialLink, EachChunkArrivesAsWritten)
{
    CHpglCutter cutter;
    ASSERT_EQ(cutter.Open(SerialSettings(pair.CutterSide())), 1);
    for (const std::string chunk : {"IN;", "SP1;", "PU-40,0;", "PD1200,-35;"}) {
        ASSERT_EQ(cutter.Write(chunk.data(), static_cast<int>(chunk.size()), &cancel, 1),
                  static_cast<int>(chunk.size()));
        EXPECT_EQ(linktest::ReadExactly(pair.FarEnd(), chunk.size()), chunk);
    }
    cutter.Close();
    EXPECT_EQ(cutter.IsOpen(), 0);
}

TEST_F(SerialLink, SlowReaderStillGetsEveryByteAfterClose)
{
    std::string job;
    for (int i = 0; job.size() < 100'000; ++i) job += "PD" + std::to_string(i) + "," + std::to_string(-i) + ";";
    std::string received;
    std::thread reader([&] { received = linktest::ReadExactly(pair.FarEnd(), job.size(), 5s, 1ms); });
    {
        CHpglCutter cutter;
        ASSERT_EQ(cutter.Open(SerialSettings(pair.CutterSide(), LINK_VCOM)), 1);
        for (std::size_t at = 0; at < job.size(); at += 512) {
            int length = static_cast<int>(std::min<std::size_t>(512, job.size() - at));
            ASSERT_EQ(cutter.Write(job.data() + at, length, &cancel, 1), length);
        }
        cutter.Close();
    }
    reader.join();
    EXPECT_EQ(received.size(), job.size());
    EXPECT_TRUE(received == job);
}

TEST_F(SerialLink, SerialWriteWaitsForCtsAndCancelEndsTheWaitWithoutWriting)
{
    HeldCts cts;
    CHpglCutter cutter;
    ASSERT_EQ(cutter.Open(SerialSettings(pair.CutterSide())), 1);
    cutter.SerialLink().SetModemStatusSource(&cts);

    std::atomic<int> result{-2};
    std::thread writer([&] { result = cutter.Write("PU0,0;", 6, &cancel, 1); });
    std::this_thread::sleep_for(150ms);
    EXPECT_EQ(result.load(), -2);
    int pollsWhileWaiting = cts.polls.load();
    EXPECT_GT(pollsWhileWaiting, 1);
    EXPECT_LT(pollsWhileWaiting, 100) << "the wait should sleep between looks at the line";
    cancel = 1;
    writer.join();
    EXPECT_EQ(result.load(), 0);
    EXPECT_EQ(linktest::ReadExactly(pair.FarEnd(), 1, 100ms), "");

    // Already cancelled: nothing is attempted, not even a look at the line.
    int before = cts.polls.load();
    EXPECT_EQ(cutter.Write("PU0,0;", 6, &cancel, 1), 0);
    EXPECT_EQ(cts.polls.load(), before);
}

TEST_F(SerialLink, RaisedCtsReleasesTheChunk)
{
    HeldCts cts;
    CHpglCutter cutter;
    ASSERT_EQ(cutter.Open(SerialSettings(pair.CutterSide())), 1);
    cutter.SerialLink().SetModemStatusSource(&cts);
    std::atomic<int> result{-2};
    std::thread writer([&] { result = cutter.Write("PD5,5;", 6, &cancel, 1); });
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(linktest::ReadExactly(pair.FarEnd(), 1, 50ms), "");
    cts.ctsOn = true;
    writer.join();
    EXPECT_EQ(result.load(), 6);
    EXPECT_EQ(linktest::ReadExactly(pair.FarEnd(), 6), "PD5,5;");
}

TEST_F(SerialLink, VirtualComPortIgnoresCts)
{
    HeldCts cts;
    CHpglCutter cutter;
    ASSERT_EQ(cutter.Open(SerialSettings(pair.CutterSide(), LINK_VCOM)), 1);
    cutter.SerialLink().SetModemStatusSource(&cts);
    EXPECT_EQ(cutter.Write("PG;", 3, &cancel, 1), 3);
    EXPECT_EQ(linktest::ReadExactly(pair.FarEnd(), 3), "PG;");
    EXPECT_EQ(cts.polls.load(), 0);
}

TEST_F(SerialLink, PortThatCannotReportItsLinesFailsTheWriteInsteadOfWaitingForever)
{
    HeldCts cts;
    cts.failWith = EIO;
    CHpglCutter cutter;
    ASSERT_EQ(cutter.Open(SerialSettings(pair.CutterSide())), 1);
    cutter.SerialLink().SetModemStatusSource(&cts);
    EXPECT_EQ(cutter.Write("PU0,0;", 6, &cancel, 1), -1);
}

TEST_F(SerialLink, PtyWithoutModemLinesCountsAsCtsOn)
{
    CHpglCutter cutter;
    ASSERT_EQ(cutter.Open(SerialSettings(pair.CutterSide())), 1);
    bool ctsOn = false;
    int error = 0;
    EXPECT_TRUE(cutter.SerialLink().ReadCts(ctsOn, error));
    EXPECT_TRUE(ctsOn);
}

TEST_F(SerialLink, DeviceThatDisappearsMidSendFailsTheWriteAndCloseReleasesIt)
{
    CHpglCutter cutter;
    ASSERT_EQ(cutter.Open(SerialSettings(pair.CutterSide(), LINK_VCOM)), 1);
    ASSERT_EQ(cutter.Write("IN;", 3, &cancel, 1), 3);
    pair.Kill();
    int result = 3;
    for (int i = 0; i < 100 && result == 3; ++i) result = cutter.Write("IN;", 3, &cancel, 1);
    EXPECT_EQ(result, -1);
    cutter.Close();
    EXPECT_EQ(cutter.IsOpen(), 0);
    EXPECT_EQ(cutter.SerialLink().IsOpen(), 0);
}

TEST_F(SerialLink, EchoReadWritesEveryByteBack)
{
    CRS232 link;
    link.m_strDevicePath = pair.CutterSide();
    link.echoRead = 1;
    ASSERT_EQ(link.Open(), 1);
    ASSERT_EQ(::write(pair.FarEnd(), "HELLO", 5), 5);
    char buffer[5] = {};
    EXPECT_EQ(link.Read(buffer, 5), 5);
    EXPECT_EQ(std::string(buffer, 5), "HELLO");
    EXPECT_EQ(linktest::ReadExactly(pair.FarEnd(), 5), "HELLO");
    EXPECT_EQ(link.Read(nullptr, 5), 0);
    EXPECT_EQ(link.Write(nullptr, 5), 0);
    link.Close();
}

TEST(SerialLinkSettings, InvalidFieldsFailBeforeAnyDeviceIsTouched)
{
    auto opensWith = [](auto change) {
        CRS232 link;
        link.m_nPort = 1;
        change(link);
        return link.Open();
    };
    // Port 1 names a device that may well exist here; each bad field alone must fail.
    EXPECT_EQ(opensWith([](CRS232& l) { l.m_nPort = 0; }), 0);
    EXPECT_EQ(opensWith([](CRS232& l) { l.m_nPort = 1000; }), 0);
    EXPECT_EQ(opensWith([](CRS232& l) { l.m_nBaudRate = 0; }), 0);
    EXPECT_EQ(opensWith([](CRS232& l) { l.m_nDataBits = 4; }), 0);
    EXPECT_EQ(opensWith([](CRS232& l) { l.m_nDataBits = 10; }), 0);
    EXPECT_EQ(opensWith([](CRS232& l) { l.m_nParity = 3; }), 0);
    EXPECT_EQ(opensWith([](CRS232& l) { l.m_fStopBits = 2.5f; }), 0);
    EXPECT_EQ(opensWith([](CRS232& l) { l.m_fStopBits = 0.5f; }), 0);

    CRS232 link;
    link.m_nPort = 12;
    EXPECT_EQ(link.DeviceName(), SerialDevice::NameForPort(12));
    link.m_strDevicePath = "/dev/ttyUSB0";
    EXPECT_EQ(link.DeviceName(), "/dev/ttyUSB0");
}

TEST(SerialLinkSettings, NonSerialDeviceFailsToOpenAndIsReleasedByDestruction)
{
    test::TempDir dir;
    test::WriteFileBytes(dir / "plain", "x");
    int before = linktest::OpenDescriptorCount();
    {
        CHpglCutter cutter;
        EXPECT_EQ(cutter.Open(SerialSettings((dir / "plain").string())), 0);
        EXPECT_EQ(cutter.IsOpen(), 0);
        EXPECT_EQ(cutter.Open(SerialSettings((dir / "missing").string())), 0);
    }
    EXPECT_EQ(linktest::OpenDescriptorCount(), before);
}

}  // namespace
}  // namespace kerfmax
