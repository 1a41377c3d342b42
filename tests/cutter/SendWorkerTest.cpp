// The send worker: chunking, progress, cancel, failures, and that every byte
// reaches a real far end (a socat pty, a TCP peer on 127.0.0.1).
#include <gtest/gtest.h>

#include <mutex>
#include <optional>
#include <random>

#include "platform/Notifier.h"
#include "cutter/Cutter.h"
#include "cutter/SendTestPeers.h"
#include "cutter/SendWorker.h"
#include "support/TestSupport.h"

namespace kerfmax {
namespace {

using namespace std::chrono_literals;
using sendtest::Clock;
using sendtest::HeldCtsLine;
using sendtest::NetworkLink;
using sendtest::SerialLink;
using sendtest::SocatPtyPair;
using sendtest::TcpPeer;
using test::TempDir;

std::string RandomBytes(std::size_t size)
{
    std::mt19937 random(7);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    return bytes;
}

// What the callbacks saw, and a thread that runs the worker with them.
struct WorkerRun {
    std::mutex mutex;
    std::vector<int> percents;
    std::string messages;
    std::optional<SendOutcome> outcome;
    Clock::time_point doneAt;
    std::atomic<int> cancel{0};
    std::thread thread;

    ~WorkerRun()
    {
        cancel.store(1);
        Wait();
    }
    bool Start(CCutter& cutter, std::int32_t linkType, const std::filesystem::path& file)
    {
        StreamCallbacks callbacks;
        callbacks.progress = [this](const SendProgress& p) {
            std::lock_guard<std::mutex> lock(mutex);
            percents.push_back(p.percent);
        };
        callbacks.message = [this](const std::string& text, NotifyIcon) {
            std::lock_guard<std::mutex> lock(mutex);
            messages += text + "\n";
        };
        thread = std::thread([this, &cutter, linkType, file, callbacks] {
            SendOutcome o = SendWorker(cutter, linkType, file, cancel, "Open temp file fail!", callbacks);
            std::lock_guard<std::mutex> lock(mutex);
            outcome = o;
            doneAt = Clock::now();
        });
        return true;
    }
    void Wait()
    {
        if (thread.joinable()) thread.join();
    }
    // Cancels and gives the time until the worker ended.
    Clock::duration CancelAndWait()
    {
        auto asked = Clock::now();
        cancel.store(1);
        Wait();
        return doneAt - asked;
    }
};

// Serial chunking is checked at the pty and block splitting by the network
// percentages below.
TEST(SendChunks, OnlyPlainSerialLinksSplitAtSemicolonsAndAShortFileIsNoticed)
{
    for (std::int32_t type : {LINK_USB, LINK_VCOM, LINK_NETWORK}) {
        EXPECT_EQ(ChunkSizeFor(type), kBlockChunkSize);
        EXPECT_FALSE(ChunksEndAfterSemicolon(type));
    }
    // A file shorter than its announced length must not pass as sent.
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::tmpfile(), &std::fclose);
    std::fputs("12345", file.get());
    std::rewind(file.get());
    ChunkReader reader(file.get(), 10, 512, false);
    std::string chunk;
    EXPECT_FALSE(reader.Next(chunk));
    EXPECT_TRUE(reader.ShortRead());
}

TEST(SendWorker, SerialSendHandshakesBeforeEveryChunkAndDeliversTheBytesSplitAsChunks)
{
    SocatPtyPair pty;
    ASSERT_TRUE(pty.Ready());
    TempDir dir;
    const std::string longCommand = "PD" + std::string(45, '9') + ";";
    const std::string text = "IN;SP1;PU0,0;" + longCommand + "PG;";
    test::WriteFileBytes(dir / "out.hb", text);

    CHpglCutter cutter;
    HeldCtsLine cts;
    std::vector<std::string> seen;  // what reached the far end before each handshake
    cts.onPoll = [&] {
        if (cts.polls.load() > 1) seen.push_back(pty.ReadFar(2s, 40ms));
    };
    cutter.SerialLink().SetModemStatusSource(&cts);
    ASSERT_EQ(cutter.Open(SerialLink(pty.Near())), 1);

    WorkerRun run;
    ASSERT_TRUE(run.Start(cutter, LINK_SERIAL, dir / "out.hb"));
    run.Wait();
    cutter.Close();
    seen.push_back(pty.ReadFar(2s, 40ms));

    EXPECT_EQ(run.outcome, SendOutcome::Finished);
    EXPECT_EQ(seen, (std::vector<std::string>{"IN;", "SP1;", "PU0,0;", longCommand.substr(0, 40),
                                              longCommand.substr(40), "PG;"}));
    EXPECT_EQ(cts.polls.load(), 6);
    EXPECT_EQ(run.percents.back(), 100);
    EXPECT_TRUE(run.messages.empty()) << run.messages;
}

// One worker streaming one file (none when text is empty optional) to a TCP peer.
struct NetworkSend {
    explicit NetworkSend(TcpPeer::Mode mode = TcpPeer::Mode::Record) : peer(mode) {}
    void Send(const std::optional<std::string>& text, bool waitAndClose = true)
    {
        if (text) test::WriteFileBytes(dir / "out.hb", *text);
        ASSERT_EQ(cutter.Open(NetworkLink(peer.Port())), 1);
        ASSERT_TRUE(run.Start(cutter, LINK_NETWORK, dir / "out.hb"));
        if (!waitAndClose) return;
        run.Wait();
        cutter.Close();
    }
    TcpPeer peer;
    TempDir dir;
    CHpglCutter cutter;
    WorkerRun run;
};

TEST(SendWorker, NetworkSendGoesOutInBlocksWithTruncatedPercentages)
{
    NetworkSend send;
    const std::string text = RandomBytes(1300);
    send.Send(text);
    EXPECT_EQ(send.run.outcome, SendOutcome::Finished);
    EXPECT_EQ(send.run.percents, (std::vector<int>{39, 78, 100}));
    EXPECT_EQ(send.peer.Received(), text);
}

TEST(SendWorker, AnEmptyFileFinishesAtOnceAndAMissingFileIsAFailure)
{
    NetworkSend empty;
    empty.Send("");
    EXPECT_EQ(empty.run.outcome, SendOutcome::Finished);
    EXPECT_EQ(empty.run.percents, std::vector<int>{100});

    NetworkSend missing;
    missing.Send(std::nullopt);
    EXPECT_EQ(missing.run.outcome, SendOutcome::Failed);
    EXPECT_EQ(missing.run.messages, "Open temp file fail!\n");
    EXPECT_TRUE(missing.run.percents.empty());
    EXPECT_EQ(missing.peer.Received(), "");
}

TEST(SendWorker, CancelEndsASendBlockedOnAPeerThatNeverReads)
{
    NetworkSend send(TcpPeer::Mode::NeverRead);
    send.Send(std::string(8 << 20, 'x'), false);
    std::this_thread::sleep_for(300ms);  // long enough to fill every buffer
    auto took = send.run.CancelAndWait();
    auto closing = Clock::now();
    send.cutter.Close();
    auto closeTook = Clock::now() - closing;

    EXPECT_LT(took, 500ms);
    EXPECT_LT(closeTook, 500ms);
    EXPECT_EQ(send.run.outcome, SendOutcome::Cancelled);
    EXPECT_TRUE(send.run.messages.empty()) << send.run.messages;
    std::lock_guard<std::mutex> lock(send.run.mutex);
    ASSERT_FALSE(send.run.percents.empty());
    EXPECT_LT(send.run.percents.back(), 100);
}

TEST(SendWorker, ASlowReaderReceivesEveryByteBeforeTheLinkCloses)
{
    NetworkSend send(TcpPeer::Mode::SlowRecord);
    const std::string text = RandomBytes(1 << 20);
    send.Send(text);
    EXPECT_EQ(send.run.outcome, SendOutcome::Finished);
    std::string received = send.peer.Received();
    EXPECT_EQ(received.size(), text.size());
    EXPECT_TRUE(received == text);
}

TEST(SendWorker, ADeviceThatDisappearsEndsTheSendAndReleasesThePort)
{
    const int descriptorsBefore = sendtest::OpenDescriptorCount();
    {
        SocatPtyPair pty;
        ASSERT_TRUE(pty.Ready());
        TempDir dir;
        std::string text;
        for (int i = 0; i < 2000; ++i) text += "PD" + std::to_string(i) + ",0;";
        test::WriteFileBytes(dir / "out.hb", text);
        CHpglCutter cutter;
        HeldCtsLine cts;
        cts.onPoll = [&] {
            if (cts.polls.load() == 20) pty.Kill();
        };
        cutter.SerialLink().SetModemStatusSource(&cts);
        ASSERT_EQ(cutter.Open(SerialLink(pty.Near())), 1);

        WorkerRun run;
        ASSERT_TRUE(run.Start(cutter, LINK_SERIAL, dir / "out.hb"));
        run.Wait();
        cutter.Close();
        EXPECT_EQ(run.outcome, SendOutcome::Failed);
        EXPECT_EQ(run.messages.rfind("Warning: ", 0), 0u) << run.messages;
        EXPECT_NE(run.messages.find("\nylen:"), std::string::npos);
        EXPECT_NE(run.messages.find("nWResult:-1"), std::string::npos) << run.messages;
    }
    EXPECT_EQ(sendtest::OpenDescriptorCount(), descriptorsBefore);
}

}  // namespace
}  // namespace kerfmax
