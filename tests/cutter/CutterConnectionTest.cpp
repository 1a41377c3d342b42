// Building cutters, and the connection rules every link shares.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/Notifier.h"
#include "cutter/Cutter.h"
#include "cutter/LinkTestHelpers.h"

namespace kerfmax {
namespace {

using namespace std::chrono_literals;

TEST(CutterCreation, ManufacturerRowChoosesTheDialect)
{
    RecordingNotifier notes;
    auto dmpl = CreateCutter(1, &notes);
    ASSERT_NE(dmpl, nullptr);
    EXPECT_EQ(dmpl->IsDmpl(), 1);
    EXPECT_EQ(dmpl->initCommand, ";:H A L0 ECN U U0,0;");
    EXPECT_EQ(dmpl->trailer, "@ ");
    EXPECT_EQ(dmpl->FormatPenUp(-40, 0), "U-40,0;");

    auto hpgl = CreateCutter(kDefaultManufacturerRow, &notes);
    ASSERT_NE(hpgl, nullptr);
    EXPECT_EQ(hpgl->IsDmpl(), 0);
    EXPECT_EQ(hpgl->initCommand, "IN;SP1;");
    EXPECT_EQ(hpgl->FormatPenDown(1200, -35), "PD1200,-35;");
    EXPECT_EQ(hpgl->swapAxes, 1);

    // A fresh cutter is closed, on a serial link.
    EXPECT_EQ(hpgl->IsOpen(), 0);
    EXPECT_EQ(hpgl->linkType, LINK_SERIAL);
    EXPECT_EQ(notes.count, 0);
}

TEST(CutterCreation, UnknownTypeOrNoRowGivesNoCutterAndSaysSo)
{
    RecordingNotifier notes;
    EXPECT_EQ(CreateCutterForType(3, &notes), nullptr);
    EXPECT_EQ(CreateCutter(-1, &notes), nullptr);
    EXPECT_EQ(CreateCutter(4, &notes), nullptr);
    EXPECT_EQ(notes.messages, "Unknow Cutter type!\nUnknow Cutter type!\nUnknow Cutter type!\n");
}

TEST(CutterCreation, OnlyLanguageOneSelectsDmplAndTheLinkIsUntouched)
{
    CHpglCutter cutter;
    cutter.comPort = 7;
    for (int language : {0, 2, -1}) {
        EXPECT_EQ(cutter.SetLanguage(1), 0);
        EXPECT_EQ(cutter.SetLanguage(language), 0);
        EXPECT_EQ(cutter.IsDmpl(), 0);
        EXPECT_EQ(cutter.isHpgl, 1);
        EXPECT_EQ(cutter.penUpFormat, "PU%ld,%ld;");
    }
    EXPECT_EQ(cutter.comPort, 7);
}

TEST(CutterConnection, BaseCutterOpensNothingAndUnknownLinkTypeFails)
{
    CCutter base;
    EXPECT_EQ(base.Open(LinkSettings{}), 1);
    EXPECT_EQ(base.IsOpen(), 0);
    std::atomic<int> cancel{0};
    EXPECT_EQ(base.Write("IN;", 3, &cancel, 1), 0);

    CHpglCutter cutter;
    LinkSettings settings;
    settings.linkType = 7;
    EXPECT_EQ(cutter.Open(settings), 0);
    // The start values of an unmatched Port entry: serial port 0, which does not open.
    EXPECT_EQ(cutter.Open(LinkSettings{}), 0);
    EXPECT_EQ(cutter.IsOpen(), 0);
}

TEST(CutterConnection, SevenSettingsAreKeptByOpen)
{
    test::TempDir dir;
    std::string node = (dir / "lp0").string();
    ASSERT_EQ(::mkfifo(node.c_str(), 0600), 0);
    CHpglCutter cutter;
    ASSERT_EQ(cutter.Open(LINK_USB, 3, 38400, "10.0.0.9", 5000, 1, node), 1);
    EXPECT_EQ(cutter.linkType, LINK_USB);
    EXPECT_EQ(cutter.comPort, 3);
    EXPECT_EQ(cutter.baudRate, 38400);
    EXPECT_EQ(cutter.hostAddress, "10.0.0.9");
    EXPECT_EQ(cutter.tcpPort, 5000);
    EXPECT_EQ(cutter.noAckWait, 1);
    EXPECT_EQ(cutter.usbDevicePath, node);
    cutter.Close();
    EXPECT_EQ(cutter.IsOpen(), 0);
}

// Every link, opened, used and closed again and again, including opens that
// fail, leaves no descriptor behind.
TEST(CutterConnection, RepeatedOpenSendCloseLeaksNoDescriptors)
{
    test::TempDir dir;
    std::string fifo = (dir / "lp0").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    int fifoReader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(fifoReader, 0);
    bool haveSocat = test::HaveProgram("socat");
    std::unique_ptr<linktest::SocatPtyPair> pair;
    if (haveSocat) pair = std::make_unique<linktest::SocatPtyPair>();
    RecordingNotifier notes;
    std::atomic<int> cancel{0};
    char drain[4096];

    int before = linktest::OpenDescriptorCount();
    for (int round = 0; round < 4; ++round) {
        CHpglCutter cutter;
        cutter.SetNotifier(&notes);

        linktest::LoopbackListener peer([](int fd) { linktest::ReadUntilClosed(fd); });
        LinkSettings net;
        net.linkType = LINK_NETWORK;
        net.hostAddress = "127.0.0.1";
        net.tcpPort = peer.Port();
        ASSERT_EQ(cutter.Open(net), 1);
        EXPECT_EQ(cutter.Write("IN;", 3, &cancel, 1), 3);
        cutter.Close();
        peer.Join();
        net.tcpPort = linktest::RefusingPort();
        EXPECT_EQ(cutter.Open(net), 0);

        LinkSettings usb;
        usb.linkType = LINK_USB;
        usb.usbDevicePath = fifo;
        ASSERT_EQ(cutter.Open(usb), 1);
        EXPECT_EQ(cutter.Write("IN;", 3, &cancel, 1), 3);
        EXPECT_EQ(::read(fifoReader, drain, sizeof drain), 3);
        usb.usbDevicePath = (dir / "missing").string();
        EXPECT_EQ(cutter.Open(usb), 0);

        if (pair && pair->Ready()) {
            LinkSettings serial;
            serial.linkType = LINK_VCOM;
            serial.baudRate = kCutterBaudRate;
            serial.serialDevicePath = pair->CutterSide();
            ASSERT_EQ(cutter.Open(serial), 1);
            EXPECT_EQ(cutter.Write("IN;", 3, &cancel, 1), 3);
            EXPECT_EQ(linktest::ReadExactly(pair->FarEnd(), 3), "IN;");
            serial.serialDevicePath = fifo;   // opens, but is no serial port
            EXPECT_EQ(cutter.Open(serial), 0);
        }
    }
    EXPECT_EQ(linktest::OpenDescriptorCount(), before);
    ::close(fifoReader);
}

}  // namespace
}  // namespace kerfmax
