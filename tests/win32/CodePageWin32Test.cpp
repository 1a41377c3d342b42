// The Win32 code-page calls behind the XML document's conversions, for the
// multi-byte pages (the single-byte rules run in the xml tests on both sides).
#include <gtest/gtest.h>

#include "platform/CodePageConverter.h"

namespace kerfmax {
namespace {

TEST(CodePageWin32, GbkGoesBothWays)
{
    const CodePageConverter& converter = SystemCodePageConverter();
    std::string text;
    CodePageConversion in = converter.ToUtf8("\xD6\xD0\xCE\xC4 ok", "GBK", &text);
    EXPECT_TRUE(in.supported);
    EXPECT_EQ(in.lost, 0u);
    EXPECT_EQ(text, "中文 ok");
    std::string bytes;
    CodePageConversion out = converter.FromUtf8(text, "gb2312", &bytes);
    EXPECT_TRUE(out.supported);
    EXPECT_EQ(bytes, "\xD6\xD0\xCE\xC4 ok");
}

TEST(CodePageWin32, WhatCannotBeConvertedIsReplacedAndCounted)
{
    const CodePageConverter& converter = SystemCodePageConverter();
    std::string text;
    // A lead byte with nothing after it.
    CodePageConversion in = converter.ToUtf8("ab\xD6", "GBK", &text);
    EXPECT_EQ(text, "ab\xEF\xBF\xBD");
    EXPECT_EQ(in.lost, 1u);
    std::string bytes;
    CodePageConversion out = converter.FromUtf8(
        "a中\xFF"
        "b",
        "windows-1252", &bytes);
    EXPECT_EQ(bytes, "a??b");
    EXPECT_EQ(out.lost, 2u);
    EXPECT_FALSE(converter.ToUtf8("x", "no-such-encoding", &text).supported);
    EXPECT_FALSE(converter.FromUtf8("x", "UTF-8", &bytes).supported);
}

}  // namespace
}  // namespace kerfmax
