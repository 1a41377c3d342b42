// The send worker: chunking, progress, failures, and that every byte
// reaches a real far end (a socat pty, a TCP peer on 127.0.0.1).
#include <gtest/gtest.h>

#include <optional>

#include "platform/Notifier.h"
#include "cutter/Cutter.h"
#include "cutter/SendTestPeers.h"
#include "cutter/SendWorker.h"
#include "support/TestSupport.h"

namespace kerfmax {
namespace {

using namespace std::chrono_literals;
using sendtest::BackgroundSend;
using sendtest::HeldCtsLine;
using sendtest::SocatPtyPair;
using sendtest::TcpPeer;
using test::TempDir;

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
    test::WriteFileBytes(dir / "out.hb", "IN;SP1;PU0,0;" + longCommand + "PG;");

    CHpglCutter cutter;
    HeldCtsLine cts;
    std::vector<std::string> seen;  // what reached the far end before each handshake
    cts.onPoll = [&] {
        if (cts.polls.load() > 1) seen.push_back(pty.ReadFar(2s, 40ms));
    };
    cutter.SerialLink().SetModemStatusSource(&cts);
    ASSERT_EQ(cutter.Open(sendtest::SerialLink(pty.Near())), 1);
    {
        BackgroundSend send(cutter, LINK_SERIAL, dir / "out.hb");
        send.Wait();
        cutter.Close();
        EXPECT_EQ(send.outcome, SendOutcome::Finished);
        EXPECT_EQ(send.percents.back(), 100);
        EXPECT_TRUE(send.messages.empty()) << send.messages;
    }
    seen.push_back(pty.ReadFar(2s, 40ms));
    EXPECT_EQ(seen, (std::vector<std::string>{"IN;", "SP1;", "PU0,0;", longCommand.substr(0, 40),
                                              longCommand.substr(40), "PG;"}));
    EXPECT_EQ(cts.polls.load(), 6);
}

TEST(SendWorker, NetworkSendGoesOutInBlocksWithTruncatedPercentagesAndAMissingFileFails)
{
    const std::string text = sendtest::Strokes(1300).substr(0, 1300);
    const struct {
        std::optional<std::string> text;
        SendOutcome outcome;
        std::vector<int> percents;
        std::string messages;
    } cases[] = {
        {text, SendOutcome::Finished, {39, 78, 100}, ""},
        {"", SendOutcome::Finished, {100}, ""},
        {std::nullopt, SendOutcome::Failed, {}, "Open temp file fail!\n"},
    };
    for (const auto& c : cases) {
        TcpPeer peer;
        TempDir dir;
        if (c.text) test::WriteFileBytes(dir / "out.hb", *c.text);  // none when there is no text
        CHpglCutter cutter;
        ASSERT_EQ(cutter.Open(sendtest::NetworkLink(peer.Port())), 1);
        BackgroundSend send(cutter, LINK_NETWORK, dir / "out.hb");
        send.Wait();
        cutter.Close();
        EXPECT_EQ(send.outcome, c.outcome);
        EXPECT_EQ(send.percents, c.percents);
        EXPECT_EQ(send.messages, c.messages);
        EXPECT_EQ(peer.Received(), c.text.value_or(""));
    }
}

}  // namespace
}  // namespace kerfmax
