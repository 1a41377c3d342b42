// The send worker: chunking, progress, failures, and that every byte
// reaches a real far end (a TCP peer on 127.0.0.1).
#include <gtest/gtest.h>

#include <optional>

#include "cutter/SendTestPeers.h"
#include "cutter/SendWorker.h"

namespace kerfmax {
namespace {

using sendtest::BackgroundSend;
using sendtest::TcpPeer;
using test::TempDir;

// The chunks read from the file for a link of `type`; "short" when the file
// ends before the announced length.
std::vector<std::string> ChunksOf(const std::string& text, std::uint64_t announced, std::int32_t type)
{
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::tmpfile(), &std::fclose);
    std::fputs(text.c_str(), file.get());
    std::rewind(file.get());
    ChunkReader reader(file.get(), announced, ChunkSizeFor(type), ChunksEndAfterSemicolon(type));
    std::vector<std::string> chunks;
    for (std::string chunk; reader.Next(chunk);) chunks.push_back(chunk);
    if (reader.ShortRead()) chunks.push_back("short");
    return chunks;
}

// Block splitting is checked by the network percentages below.
TEST(SendChunks, OnlyPlainSerialLinksSplitAtSemicolonsAndAShortFileIsNoticed)
{
    for (std::int32_t type : {LINK_USB, LINK_VCOM, LINK_NETWORK}) {
        EXPECT_EQ(ChunkSizeFor(type), kBlockChunkSize);
        EXPECT_FALSE(ChunksEndAfterSemicolon(type));
    }
    const std::string longCommand = "PD" + std::string(45, '9') + ";";
    const std::string text = "IN;SP1;" + longCommand + "PG;";
    EXPECT_EQ(ChunksOf(text, text.size(), LINK_SERIAL),
              (std::vector<std::string>{"IN;", "SP1;", longCommand.substr(0, 40), longCommand.substr(40), "PG;"}));
    // A file shorter than its announced length must not pass as sent.
    EXPECT_EQ(ChunksOf("12345", 10, LINK_NETWORK), (std::vector<std::string>{"short"}));
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
