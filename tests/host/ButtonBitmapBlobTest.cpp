// The embedded toolbar picture: the record layout the host reads and the
// base64 line layout it writes.
#include <gtest/gtest.h>

#include <regex>

#include "host/ButtonBitmapBlob.h"
#include "support/TestSupport.h"

namespace kerfmax {
namespace {

std::string FromHex(const std::string& hex)
{
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return bytes;
}

TEST(ButtonBitmapBlob, RecordHasTheHostLayout)
{
    std::string record = ButtonBitmapRecord();
    ASSERT_EQ(record.size(), 1378u);
    // Marker, version 1, tag length 16, tag, 8 zero bytes, then the three sizes 40, 1024, 256.
    EXPECT_EQ(record.substr(0, 42), FromHex("ffff01001000") + "WCmnUI_UIItemBmp" +
                                        FromHex("0000000000000000" "28000000" "00040000" "00010000"));
    // Bitmap information header: 16x16, 1 plane, 8 bits, uncompressed, 256 bytes, 256 colours.
    EXPECT_EQ(record.substr(42, 40), FromHex("28000000" "10000000" "10000000" "0100" "0800" "00000000" "00010000"
                                             "00000000" "00000000" "00010000" "00010000"));
    for (std::size_t entry = 0; entry < 256; ++entry) EXPECT_EQ(record[82 + entry * 4 + 3], '\0') << entry;
    EXPECT_EQ(record.substr(1362), FromHex("f0f0f000" "a0a0a000" "f0f0f000" "00000000"));
    // The picture uses more than the background colour.
    std::string pixels = record.substr(1106, 256);
    EXPECT_NE(pixels.find_first_not_of(pixels[0]), std::string::npos);
}

TEST(ButtonBitmapBlob, TextIsTwentySixIndentedLinesThatDecodeToTheRecord)
{
    // 72 base64 characters a line; every line after the first indented by seven tabs.
    const std::string blob = ButtonBitmapBlob();
    const std::regex layout("[A-Za-z0-9+/]{72}(\n\t{7}[A-Za-z0-9+/]{72}){24}\n\t{7}[A-Za-z0-9+/]{38}==");
    EXPECT_TRUE(std::regex_match(blob, layout));

    // Decoded by coreutils, not by our own code.
    test::TempDir dir;
    test::WriteFileBytes(dir / "blob.txt", blob);
    auto decoded = test::RunProgram({"sh", "-c", "tr -d '\\t\\n' < \"$0\" | base64 -d", (dir / "blob.txt").string()});
    ASSERT_EQ(decoded.exitCode, 0) << decoded.err;
    EXPECT_EQ(decoded.out, ButtonBitmapRecord());
}

}  // namespace
}  // namespace kerfmax
