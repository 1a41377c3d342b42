// The Send step: cutter, link, settings, output file and worker together, to
// real far ends (TCP on 127.0.0.1, a FIFO standing in for a USB printer node).
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/IniFile.h"
#include "app/Notifier.h"
#include "cutter/PortDiscovery.h"
#include "cutter/PortFakeDeviceTree.h"
#include "cutter/SendJob.h"
#include "cutter/SendTestPeers.h"
#include "geometry/Job.h"
#include "geometry/OutputJob.h"
#include "support/TestSupport.h"

namespace kerfmax {
namespace {

using namespace std::chrono_literals;
using sendtest::Clock;
using sendtest::TcpPeer;
using test::TempDir;

const char kSquareJob[] = "PU0,0;PD4000,0;PD4000,4000;PD0,4000;PD0,0;PU1000,1000;PD2000,1000;SP0;";

struct SendFixture {
    TempDir dir;
    Job job;
    RecordingNotifier notifier;
    std::atomic<int> outcome{-1};

    SendFixture(const std::string& jobText = kSquareJob)
    {
        test::WriteFileBytes(dir / "job.hb", jobText);
        job.LoadJob((dir / "job.hb").string());
    }
    SendRequest Request(const std::string& port, int tcpPort = 0)
    {
        SendRequest request;
        request.settings.portText = port;
        request.outputPath = dir / "cutcorldata.hb";
        request.tcpPortOverride = tcpPort;
        return request;
    }
    SendWorkerCallbacks Callbacks()
    {
        SendWorkerCallbacks callbacks;
        callbacks.done = [this](SendOutcome o) { outcome.store(static_cast<int>(o)); };
        return callbacks;
    }
    std::string Expected(const JobSettings& settings, int cutterType = 1)
    {
        CutterDialect dialect;
        DialectForCutterType(cutterType, dialect);
        StringSink sink;
        EXPECT_EQ(BuildOutputJob(job, settings, dialect, sink), OutputResult::Written);
        return sink.TakeText();
    }
};

TEST(SendJob, NetworkSendDeliversTheAssembledOutputAndSavesTheSettings)
{
    SendFixture f;
    TcpPeer peer;
    CIniFile ini(f.dir / "Kerfmax.ini");
    SendRequest request = f.Request("Network Port", peer.Port());
    request.settingsFile = &ini;
    SendJob send(f.notifier);

    ASSERT_EQ(send.Start(f.job, request, f.Callbacks()), SendStartResult::Started);
    send.Finish();
    EXPECT_EQ(f.outcome.load(), static_cast<int>(SendOutcome::Finished));
    const std::string expected = f.Expected(request.settings);
    EXPECT_EQ(peer.Received(), expected);
    EXPECT_EQ(test::ReadFileBytes(request.outputPath), expected);
    EXPECT_EQ(send.CurrentLinkSettings().linkType, LINK_NETWORK);
    EXPECT_EQ(f.notifier.count, 0) << f.notifier.messages;

    CIniFile reread(f.dir / "Kerfmax.ini");
    EXPECT_EQ(reread.ReadString("Device", "PortS", ""), "Network Port");
    EXPECT_EQ(reread.ReadString("Device", "IP", ""), "127.0.0.1");
    EXPECT_EQ(reread.ReadInt("Device", "Type", -1), 3);

    // The cutter comes from the manufacturer row: a DMPL row speaks DMPL.
    TcpPeer dmplPeer;
    SendRequest dmpl = f.Request("Network Port", dmplPeer.Port());
    dmpl.settings.manufacturerRow = 1;
    ASSERT_EQ(send.Start(f.job, dmpl, f.Callbacks()), SendStartResult::Started);
    send.Finish();
    EXPECT_EQ(dmplPeer.Received(), f.Expected(dmpl.settings, 2));
}

TEST(SendJob, ALinkThatDoesNotOpenIsReportedInTheCurrentLanguageAndNothingIsSaved)
{
    SendFixture f;
    CIniFile ini(f.dir / "Kerfmax.ini");
    for (int language : {0, 1}) {
        RecordingNotifier notifier;
        SendRequest request = f.Request("LPT1");
        request.settings.language = language;
        request.settingsFile = &ini;
        SendJob send(notifier);
        EXPECT_EQ(send.Start(f.job, request, f.Callbacks()), SendStartResult::ConnectFailed);
        EXPECT_EQ(notifier.messages, language == 1 ? "连接设备失败!\n" : "Connect to Cutter fail!\n");
    }
    EXPECT_FALSE(std::filesystem::exists(f.dir / "Kerfmax.ini"));
    EXPECT_FALSE(std::filesystem::exists(f.dir / "cutcorldata.hb"));
    EXPECT_EQ(f.outcome.load(), -1);
}

TEST(SendJob, NoJobUnknownRowOrEarlyCancelSendNothing)
{
    SendFixture f;
    TcpPeer peer;
    SendJob send(f.notifier);
    Job empty;
    EXPECT_EQ(send.Start(empty, f.Request("Network Port", peer.Port()), f.Callbacks()), SendStartResult::NoJob);
    EXPECT_EQ(f.notifier.count, 0);
    SendRequest unknown = f.Request("Network Port", peer.Port());
    unknown.settings.manufacturerRow = 9;
    EXPECT_EQ(send.Start(f.job, unknown, f.Callbacks()), SendStartResult::NoCutter);
    EXPECT_EQ(f.notifier.messages, "Unknow Cutter type!\n");
    EXPECT_FALSE(peer.Accepted());

    send.Cancel();
    EXPECT_EQ(send.Start(f.job, f.Request("Network Port", peer.Port()), f.Callbacks()), SendStartResult::Cancelled);
    EXPECT_EQ(peer.Received(), "");   // returns once the peer has seen the close
    EXPECT_EQ(f.notifier.count, 1) << f.notifier.messages;
}

TEST(SendJob, DestroyingTheSenderDuringAStalledSendEndsPromptly)
{
    std::string bigJob = "PU0,0;";
    for (int i = 0; i < 200000; ++i) bigJob += "PD" + std::to_string(i % 4000) + "," + std::to_string(i % 7) + ";";
    bigJob += "SP0;";
    SendFixture f(bigJob);
    TcpPeer peer(TcpPeer::Mode::NeverRead);
    auto send = std::make_unique<SendJob>(f.notifier);
    ASSERT_EQ(send->Start(f.job, f.Request("Network Port", peer.Port()), f.Callbacks()), SendStartResult::Started);
    std::this_thread::sleep_for(200ms);
    EXPECT_TRUE(send->Sending());
    auto start = Clock::now();
    send.reset();
    EXPECT_LT(Clock::now() - start, 1s);
    EXPECT_EQ(f.outcome.load(), static_cast<int>(SendOutcome::Cancelled));
}

TEST(SendJob, AUsbCutterFromTheRefreshReceivesTheOutputThroughItsDeviceNode)
{
    SendFixture f;
    test::FakeDeviceTree tree(f.dir / "root");
    tree.AddUsbCutters(0, 2);
    const auto node = tree.Roots().dev / "usb" / "lp1";
    ASSERT_EQ(::mkfifo(node.c_str(), 0600), 0);
    // Our read end keeps what the send writes in the pipe until we read it.
    const int readEnd = ::open(node.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(readEnd, 0);

    SendRequest request = f.Request("USB_1");
    request.usbCutterPaths = EnumerateUsbCutters(tree.Roots());
    SendJob send(f.notifier);
    ASSERT_EQ(send.Start(f.job, request, f.Callbacks()), SendStartResult::Started);
    send.Finish();
    std::string received = sendtest::ReadUntilQuiet(readEnd, 1s, 50ms);
    ::close(readEnd);
    EXPECT_EQ(send.CurrentLinkSettings().usbDevicePath, node.string());
    EXPECT_EQ(f.outcome.load(), static_cast<int>(SendOutcome::Finished));
    EXPECT_EQ(received, f.Expected(request.settings));
}

TEST(SendJob, RepeatedSendsLeaveNoDescriptorBehind)
{
    SendFixture f;
    SendJob send(f.notifier);
    auto once = [&] {
        TcpPeer peer;
        ASSERT_EQ(send.Start(f.job, f.Request("Network Port", peer.Port()), f.Callbacks()), SendStartResult::Started);
        send.Finish();
        EXPECT_FALSE(peer.Received().empty());
        EXPECT_EQ(send.Start(f.job, f.Request("Nowhere"), f.Callbacks()), SendStartResult::ConnectFailed);
    };
    once();   // first use may open lasting descriptors (locale, resolver)
    const int before = sendtest::OpenDescriptorCount();
    for (int i = 0; i < 3; ++i) once();
    EXPECT_EQ(sendtest::OpenDescriptorCount(), before);
}

}  // namespace
}  // namespace kerfmax
