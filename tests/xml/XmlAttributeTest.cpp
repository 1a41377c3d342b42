// Reading and writing attributes of the current element.
#include <gtest/gtest.h>

#include "XmlTestHelpers.h"

namespace kerfmax::test {
namespace {

TEST(XmlAttributes, GetAcceptsEitherQuoteAndDecodesReferences)
{
    const char* text =
        "<a one='x \"q\"' two = \"&lt;&gt;&amp;&quot;&apos;\" three=\"&#65;&#x42;&#X43;\""
        " four=\"&eacute;&euro;&nbsp;&thetasym;\" bare five=unquoted"
        " six=\"&bogus; &#0; &#xD800; &#x110000; &#; & &amp\"/>";
    RunCases({{text,
               {"?a", "$one=x \"q\"", "$two=<>&\"'", "$three=ABC", "$four=\u00e9\u20ac\u00a0\u03d1", "$five=unquoted",
                // references that name no character stay as written
                "$six=&bogus; &#0; &#xD800; &#x110000; &#; & &amp", "$bare=", "$missing=", "$One="},
               text}});
}

TEST(XmlAttributes, SetReplacesInPlaceOrAddsAfterTheLastAttribute)
{
    RunCases({
        // existing value, either quote, is replaced in double quotes; order kept
        {"<a x='1' y=\"2\"></a>", {"?a", "@x=new", "$x=new"}, "<a x=\"new\" y=\"2\"></a>"},
        {"<a  x = \"1\"  ></a>", {"?a", "@x=9"}, "<a  x = \"9\"  ></a>"},
        // new attribute after the last one, before ">" or "/>"
        {"<a x=\"1\"></a>", {"?a", "@y=2"}, "<a x=\"1\" y=\"2\"></a>"},
        {"<a/>", {"?a", "@y=2"}, "<a y=\"2\"/>"},
        {"<a x=\"1\" />", {"?a", "@y=2"}, "<a x=\"1\" y=\"2\" />"},
        {"<a\n  x=\"1\"\n/>", {"?a", "@y=2"}, "<a\n  x=\"1\" y=\"2\"\n/>"},
        {"<a/>", {"?a", "@v=<&>\"'", "$v=<&>\"'"}, "<a v=\"&lt;&amp;&gt;&quot;&apos;\"/>"},
        // an unquoted or bare attribute gets a quoted value
        {"<a x=1 b></a>", {"?a", "@x=2"}, "<a x=\"2\" b></a>"},
        {"<a b x=1></a>", {"?a", "@b=on", "$b=on"}, "<a b=\"on\" x=1></a>"},
        // names that would break the tag are refused
        {"<a/>", {"?a", "!@=v", "!@x y=v", "!@x=\"1\"=v", "!@x>=v", "!@1x=v", "!@x/=v"}, "<a/>"},
    });
}

}  // namespace
}  // namespace kerfmax::test
