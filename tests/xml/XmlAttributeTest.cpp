// Reading and writing attributes of the current element.
#include <gtest/gtest.h>

#include "XmlTestHelpers.h"

namespace kerfmax::test {
namespace {

XmlDocument AtRoot(std::string_view text)
{
    XmlDocument doc = Loaded(text);
    doc.FindSibling("a");
    return doc;
}

TEST(XmlAttributes, GetAcceptsEitherQuoteAndDecodesReferences)
{
    XmlDocument doc = AtRoot("<a one='x \"q\"' two = \"&lt;&gt;&amp;&quot;&apos;\" three=\"&#65;&#x42;&#X43;\""
                             " four=\"&eacute;&euro;&nbsp;&thetasym;\" bare five=unquoted"
                             " six=\"&bogus; &#0; &#xD800; &#x110000; &#; & &amp\"/>");
    EXPECT_EQ(doc.GetAttribute("one"), "x \"q\"");
    EXPECT_EQ(doc.GetAttribute("two"), "<>&\"'");
    EXPECT_EQ(doc.GetAttribute("three"), "ABC");
    EXPECT_EQ(doc.GetAttribute("four"), "\u00e9\u20ac\u00a0\u03d1");
    EXPECT_EQ(doc.GetAttribute("five"), "unquoted");
    // References that name no character stay as written.
    EXPECT_EQ(doc.GetAttribute("six"), "&bogus; &#0; &#xD800; &#x110000; &#; & &amp");
    EXPECT_EQ(doc.GetAttribute("bare"), "");
    EXPECT_EQ(doc.GetAttribute("missing"), "");
    EXPECT_EQ(doc.GetAttribute("One"), "") << "names are case-sensitive";
}

TEST(XmlAttributes, SetReplacesInPlaceOrAddsAfterTheLastAttribute)
{
    const struct {
        const char* input;
        const char* name;
        const char* value;
        const char* expected;
    } cases[] = {
        // existing value, either quote, is replaced in double quotes; order kept
        {"<a x='1' y=\"2\"></a>", "x", "new", "<a x=\"new\" y=\"2\"></a>"},
        {"<a  x = \"1\"  ></a>", "x", "9", "<a  x = \"9\"  ></a>"},
        // new attribute after the last one, before ">" or "/>"
        {"<a x=\"1\"></a>", "y", "2", "<a x=\"1\" y=\"2\"></a>"},
        {"<a/>", "y", "2", "<a y=\"2\"/>"},
        {"<a x=\"1\" />", "y", "2", "<a x=\"1\" y=\"2\" />"},
        {"<a\n  x=\"1\"\n/>", "y", "2", "<a\n  x=\"1\" y=\"2\"\n/>"},
        {"<a/>", "v", "<&>\"'", "<a v=\"&lt;&amp;&gt;&quot;&apos;\"/>"},
        // an unquoted or bare attribute gets a quoted value
        {"<a x=1 b></a>", "x", "2", "<a x=\"2\" b></a>"},
        {"<a b x=1></a>", "b", "on", "<a b=\"on\" x=1></a>"},
    };
    for (const auto& c : cases) {
        XmlDocument doc = AtRoot(c.input);
        ASSERT_TRUE(doc.SetAttribute(c.name, c.value)) << c.input;
        EXPECT_EQ(doc.Text(), c.expected) << c.input;
        EXPECT_EQ(doc.GetAttribute(c.name), c.value) << c.input;
    }
    // Names that would break the tag are refused.
    XmlDocument doc = AtRoot("<a/>");
    for (const char* name : {"", "x y", "x=\"1\"", "x>", "1x", "x/"})
        EXPECT_FALSE(doc.SetAttribute(name, "v")) << name;
    EXPECT_EQ(doc.Text(), "<a/>");
}

}  // namespace
}  // namespace kerfmax::test
