// The Win32 code-page calls behind the XML document's conversions, for the
// multi-byte pages (the single-byte rules run in the xml tests on both sides).
#include <gtest/gtest.h>

#include "platform/CodePageConverter.h"

namespace kerfmax {
namespace {

TEST(CodePageWin32, GbkGoesBothWaysAndWhatCannotBeConvertedIsReplacedAndCounted)
{
    const CodePageConverter& converter = SystemCodePageConverter();
    struct Case {
        bool toUtf8;
        std::string input, codePage, output;
        std::size_t lost;
    };
    // A lead byte with nothing after it; characters the page lacks and a byte that is no UTF-8.
    const Case cases[] = {{true, "\xD6\xD0\xCE\xC4 ok", "GBK", "中文 ok", 0},
                          {false, "中文 ok", "gb2312", "\xD6\xD0\xCE\xC4 ok", 0},
                          {true, "ab\xD6", "GBK", "ab\xEF\xBF\xBD", 1},
                          {false, std::string("a中\xFF") + "b", "windows-1252", "a??b", 2}};
    for (const Case& c : cases) {
        std::string output;
        CodePageConversion conversion = c.toUtf8 ? converter.ToUtf8(c.input, c.codePage, &output)
                                                 : converter.FromUtf8(c.input, c.codePage, &output);
        EXPECT_TRUE(conversion.supported) << c.input;
        EXPECT_EQ(output, c.output);
        EXPECT_EQ(conversion.lost, c.lost) << c.input;
    }
    std::string text;
    EXPECT_FALSE(converter.ToUtf8("x", "no-such-encoding", &text).supported);
    EXPECT_FALSE(converter.FromUtf8("x", "UTF-8", &text).supported);
}

}  // namespace
}  // namespace kerfmax
