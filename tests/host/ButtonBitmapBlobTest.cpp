// The embedded toolbar picture: the record layout the host reads and the
// base64 line layout it writes.
#include <gtest/gtest.h>

#include <cstdint>

#include "host/ButtonBitmapBlob.h"
#include "support/TestSupport.h"

namespace kerfmax {
namespace {

std::uint32_t U32At(const std::string& bytes, std::size_t offset)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<std::uint8_t>(bytes[offset + i]);
    return value;
}

std::uint16_t U16At(const std::string& bytes, std::size_t offset)
{
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(bytes[offset]) |
                                      static_cast<std::uint8_t>(bytes[offset + 1]) << 8);
}

TEST(ButtonBitmapBlob, RecordHasTheHostLayout)
{
    std::string record = ButtonBitmapRecord();
    ASSERT_EQ(record.size(), 1378u);
    EXPECT_EQ(record.substr(0, 2), "\xFF\xFF");
    EXPECT_EQ(U16At(record, 2), 1);
    EXPECT_EQ(U16At(record, 4), 16);
    EXPECT_EQ(record.substr(6, 16), "WCmnUI_UIItemBmp");
    EXPECT_EQ(record.substr(22, 8), std::string(8, '\0'));
    EXPECT_EQ(U32At(record, 30), 40u);
    EXPECT_EQ(U32At(record, 34), 1024u);
    EXPECT_EQ(U32At(record, 38), 256u);
    // Bitmap information header.
    EXPECT_EQ(U32At(record, 42), 40u);
    EXPECT_EQ(U32At(record, 46), 16u);
    EXPECT_EQ(U32At(record, 50), 16u);
    EXPECT_EQ(U16At(record, 54), 1);
    EXPECT_EQ(U16At(record, 56), 8);
    EXPECT_EQ(U32At(record, 58), 0u);
    EXPECT_EQ(U32At(record, 62), 256u);
    EXPECT_EQ(U32At(record, 66), 0u);
    EXPECT_EQ(U32At(record, 70), 0u);
    EXPECT_EQ(U32At(record, 74), 256u);
    EXPECT_EQ(U32At(record, 78), 256u);
    for (std::size_t entry = 0; entry < 256; ++entry) EXPECT_EQ(record[82 + entry * 4 + 3], '\0') << entry;
    EXPECT_EQ(record.substr(1362), std::string("\xF0\xF0\xF0\x00\xA0\xA0\xA0\x00\xF0\xF0\xF0\x00\x00\x00\x00\x00", 16));
    // The picture uses more than the background colour.
    std::string pixels = record.substr(1106, 256);
    EXPECT_NE(pixels.find_first_not_of(pixels[0]), std::string::npos);
}

TEST(ButtonBitmapBlob, TextIsTwentySixIndentedLinesThatDecodeToTheRecord)
{
    std::string blob = ButtonBitmapBlob();
    ASSERT_EQ(blob.size(), 2040u);
    std::vector<std::string> lines;
    for (std::size_t start = 0;;) {
        std::size_t end = blob.find('\n', start);
        lines.push_back(blob.substr(start, end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    ASSERT_EQ(lines.size(), 26u);
    EXPECT_EQ(lines[0].size(), 72u);
    for (std::size_t i = 1; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].substr(0, 7), std::string(7, '\t')) << i;
        EXPECT_EQ(lines[i].size(), 7 + (i + 1 < lines.size() ? 72u : 40u)) << i;
    }
    EXPECT_EQ(blob.substr(blob.size() - 2), "==");

    // Decoded by coreutils, not by our own code.
    test::TempDir dir;
    test::WriteFileBytes(dir / "blob.txt", blob);
    auto decoded = test::RunProgram({"sh", "-c", "tr -d '\\t\\n' < \"$0\" | base64 -d", (dir / "blob.txt").string()});
    ASSERT_EQ(decoded.exitCode, 0) << decoded.err;
    EXPECT_EQ(decoded.out, ButtonBitmapRecord());
}

}  // namespace
}  // namespace kerfmax
