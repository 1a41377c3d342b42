// Walking the elements, their attributes, and adding, filling and removing
// elements: where the bytes go, what becomes current, and that the index stays
// in step with the text.
#include <gtest/gtest.h>

#include "XmlTestHelpers.h"

namespace kerfmax::test {
namespace {

constexpr std::string_view kWorkspace =
    "<?xml version=\"1.0\"?>\n"
    "<!-- workspace -->\n"
    "<uiConfig>\n"
    "  <frame><dockBar position=\"top\"/><dockBar position=\"float\"><cmdBarLane/></dockBar></frame>\n"
    "  <commandBars><commandBarData guid=\"a\"/><other/><commandBarData guid=\"b\"/></commandBars>\n"
    "  <items/>\n"
    "</uiConfig>\n";

TEST(XmlNavigation, FindSiblingLooksOnlyAfterTheCurrentElementAndEnterAndLeaveMoveOneLevel)
{
    RunCases({
        // Without a current element every operation on it fails and changes nothing.
        {kWorkspace, {":", "$version=", "!@x=2", "!=t", "!-", "!>", "!<"}, kWorkspace},
        // "frame" stands before the current element "commandBars": not found, position kept.
        {kWorkspace,
         {">uiConfig", ">frame", ":", "?dockBar", ">dockBar", "?cmdBarLane", "<", "$position=float", "<", ":frame",
          "?commandBars", "!?frame", ":commandBars", "?items", "<", ":uiConfig", "!<"},
         kWorkspace},
        // Names are case-sensitive.
        {"<a><B/></a>", {"!?A", ">a", "!?b"}, "<a><B/></a>"},
    });
}

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

// One line break, after the new element, where RemoveElement takes it back.
TEST(XmlAddElement, PlacesTheNewEmptyElementWithALineBreakOrRefusesIt)
{
    RunCases({
        // as last child or after the current element, in front of the next markup
        {"<r>\n\t<a/>\n</r>", {">r", "+n"}, "<r>\n\t<a/>\n<n/>\r\n</r>"},
        {"<r>\n  <a/>\n  <b/>\n</r>", {">r", "?a", "+n"}, "<r>\n  <a/>\n  <n/>\r\n<b/>\n</r>"},
        // as first child or right in front of the current element
        {"<r>\n  <a/>\n</r>", {">r", "^n"}, "<r>\n  <n/>\r\n<a/>\n</r>"},
        {"<r>\n  <a/>\n  <b/>\n</r>", {">r", "?b", "^n"}, "<r>\n  <a/>\n  <n/>\r\n<b/>\n</r>"},
        // inside an empty-element tag, which becomes a start and an end tag
        {"<r><p x=\"1\"/></r>", {">r", ">p", "+n"}, "<r><p x=\"1\"><n/>\r\n</p></r>"},
        // nothing beside the root, nothing under a name that is no plain XML name
        {"<r/>", {"!+n", "?r", "!+n", "!^n", ">", "!+", "!+a b", "!+a/", "!+<a", "!+a>", "!+9a", "!+a=\"1\""}, "<r/>"},
        // a document without elements gets its root
        {"<?xml version=\"1.0\"?>\n", {"+root"}, "<?xml version=\"1.0\"?>\n<root/>"},
    });
}

TEST(XmlElementText, ReplacesTheWholeContentEscaped)
{
    RunCases({
        {"<r><t a=\"1\"/></r>", {">r", "?t", "=x<y>&z"}, "<r><t a=\"1\">x&lt;y&gt;&amp;z</t></r>"},
        // over old text and comments; quotes, tabs and line feeds stay
        {"<r><t>old<!-- c -->text</t><u/></r>", {">r", "?t", "=\"q\"\n\t\t'a'"}, "<r><t>\"q\"\n\t\t'a'</t><u/></r>"},
        {"<r><t>old</t></r>", {">r", "?t", "="}, "<r><t></t></r>"},
        // refused for an element with children
        {"<r><t><c/></t></r>", {">r", "?t", "!=x"}, "<r><t><c/></t></r>"},
    });
}

TEST(XmlRemoveElement, TakesTheElementAndTheWhiteSpaceUpToTheNextMarkup)
{
    RunCases({
        {"<r>\n  <a/>\n  <b><c/></b>\n  <d/>\n</r>", {">r", "?b", "-"}, "<r>\n  <a/>\n  <d/>\n</r>"},
        // white space before text stays with the text
        {"<r><a/> tail</r>", {">r", "?a", "-"}, "<r> tail</r>"},
        // several removals gathered, the search going on after each gap
        {"<r><x k=\"1\"/><x k=\"2\"/><y/><x k=\"1\"/><x k=\"1\"/></r>",
         {">r", "?x", "-", "?x", "$k=2", "?x", "-", ":y", "?x", "-", "!?x"},
         "<r><x k=\"2\"/><y/></r>"},
        // the previous sibling becomes current, or none after the first: the
        // next search starts at the first child
        {"<r><a/><b/><c/></r>", {">r", "?b", "-", ":a", "-", ":", "?c"}, "<r><c/></r>"},
        // the rest of the text stays when the root goes
        {"<?xml version=\"1.0\"?>\n<r><a/></r>\n<!-- after -->\n",
         {"?r", "-", "#<?xml version=\"1.0\"?>\n<!-- after -->\n", "+new"},
         "<?xml version=\"1.0\"?>\n<!-- after -->\n<new/>"},
    });
}

}  // namespace
}  // namespace kerfmax::test
