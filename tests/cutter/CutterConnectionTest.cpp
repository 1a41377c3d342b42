// The connection rules every link shares.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "platform/Notifier.h"
#include "cutter/Cutter.h"
#include "cutter/SendTestPeers.h"

namespace kerfmax {
namespace {

// Every link opened, used and closed again and again, with opens that fail
// among them, leaves no descriptor behind: an open closes the link before it.
// A link that did not open, or whose writes fail, writes nothing.
TEST(CutterConnection, RepeatedOpenSendCloseLeaksNoDescriptors)
{
    test::TempDir dir;
    std::string fifo = (dir / "lp0").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    int fifoReader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(fifoReader, 0);
    std::unique_ptr<sendtest::SocatPtyPair> pair;
    if (test::HaveProgram("socat")) pair = std::make_unique<sendtest::SocatPtyPair>();
    RecordingNotifier notes;
    std::atomic<int> cancel{0};
    int refusingPort = 0;
    {
        sendtest::TcpPeer gone;
        refusingPort = gone.Port();
    }

    int before = sendtest::OpenDescriptorCount();
    for (int round = 0; round < 3; ++round) {
        CHpglCutter cutter;
        cutter.SetNotifier(&notes);
        sendtest::TcpPeer peer;
        LinkSettings link = sendtest::NetworkLink(peer.Port());
        ASSERT_EQ(cutter.Open(link), 1);
        EXPECT_EQ(cutter.Write("IN;", 3, &cancel, 1), 3);
        link.tcpPort = refusingPort;
        EXPECT_EQ(cutter.Open(link), 0);
        EXPECT_EQ(peer.Received(), "IN;");
        link.hostAddress = "cutter.local";  // not a dotted address
        EXPECT_EQ(cutter.Open(link), 0);
        EXPECT_EQ(cutter.Socket(), nullptr);

        link.linkType = LINK_USB;
        link.usbDevicePath = fifo;
        ASSERT_EQ(cutter.Open(link), 1);
        EXPECT_EQ(cutter.Write("IN;", 3, &cancel, 1), 3);
        EXPECT_EQ(sendtest::ReadUntilQuiet(fifoReader, std::chrono::seconds(1), {}), "IN;");
        link.usbDevicePath = (dir / "missing").string();
        EXPECT_EQ(cutter.Open(link), 0);
        // /dev/full opens and then fails every write, as a USB device gone mid-job does.
        link.usbDevicePath = "/dev/full";
        ASSERT_EQ(cutter.Open(link), 1);
        EXPECT_EQ(cutter.Write("IN;", 3, &cancel, 1), -1);

        if (pair && pair->Ready()) {
            link = sendtest::SerialLink(pair->Near(), LINK_VCOM);
            ASSERT_EQ(cutter.Open(link), 1);
            EXPECT_EQ(cutter.Write("IN;", 3, &cancel, 1), 3);
            EXPECT_EQ(pair->ReadFar(), "IN;");
            link.serialDevicePath = fifo;  // opens, but is no serial port
            EXPECT_EQ(cutter.Open(link), 0);
        }
        link.linkType = 7;
        EXPECT_EQ(cutter.Open(link), 0);
        EXPECT_EQ(cutter.Open(LinkSettings{}), 0);  // an unmatched Port entry: serial port 0
        EXPECT_EQ(cutter.IsOpen(), 0);
        EXPECT_EQ(cutter.Write("IN;", 3, &cancel, 1), 0);
    }
    EXPECT_EQ(sendtest::OpenDescriptorCount(), before);
    EXPECT_EQ(notes.messages.substr(0, 28), "Warning: Connection refused\n");
    ::close(fifoReader);
}

}  // namespace
}  // namespace kerfmax
