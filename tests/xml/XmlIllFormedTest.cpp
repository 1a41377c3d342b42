// Documents that are not well formed still load; what cannot be read is
// recorded in the result text and the recognisable elements stay editable.
#include <gtest/gtest.h>

#include "XmlTestHelpers.h"

namespace kerfmax::test {
namespace {

TEST(XmlIllFormed, FaultsAreRecordedAndTheParseGoesOn)
{
    const struct {
        const char* input;
        const char* event;  // expected in the result text
        const char* reachable;  // a child of <r> that is still found
    } cases[] = {
        {"<r><a><b/></r>", "<unended_start_tag type=\"start_tag\" tagname=\"a\" offset=\"3\" offset2=\"10\"/>", "a"},
        {"<r></x><b/></r>", "<lone_end_tag tagname=\"x\" offset=\"3\"/>", "b"},
        {"<r><a x='1' <b/></r>", "<unterminated_tag_syntax type=\"start_tag\" offset=\"3\"/>", "b"},
        {"<r><a x=\"1></a><b/></r>", "<unterminated_tag_syntax type=\"start_tag\" offset=\"3\"/>", "b"},
        {"<r><!-- <b/></r>", "<comment_tag_syntax type=\"comment\" offset=\"3\"/>", "b"},
        {"<r><![CDATA[ <b/></r>", "<cdata_section_syntax type=\"cdata_section\" offset=\"3\"/>", "b"},
        {"<r><? <b/></r>", "processing_instruction", "b"},
        {"<r><!ELEMENT x><b/></r>", "<exclamation_tag_syntax offset=\"3\"/>", "b"},
        {"<r>a < b<b/></r>", "<first_tag_syntax offset=\"5\"/>", "b"},
        {"<r><b/></r><s/>", "<root_has_sibling tagname=\"s\" offset=\"11\"/>", "b"},
        {"<r><b/></r  ", "<unterminated_tag_syntax type=\"end_tag\"", "b"},
        {"<!DOCTYPE r [ <r><b/></r>", "<doctype_tag_syntax type=\"document_type\" offset=\"0\"/>", "b"},
    };
    for (const auto& c : cases) {
        XmlDocument doc;
        EXPECT_FALSE(doc.LoadFromBytes(c.input)) << c.input;
        EXPECT_TRUE(Contains(doc.ResultText(), c.event)) << c.input << "\n" << doc.ResultText();
        ASSERT_TRUE(Descend(doc, {"r"})) << c.input;
        EXPECT_TRUE(doc.FindSibling(c.reachable)) << c.input;
        EXPECT_EQ(Saved(doc), c.input) << "the text stays whole";
    }
    XmlDocument empty;
    EXPECT_FALSE(empty.LoadFromBytes("<?xml version=\"1.0\"?><!-- nothing -->"));
    EXPECT_TRUE(Contains(empty.ResultText(), "<no_root_element/>"));
}

// Each of these would take a pass over the rest of the text per fault if
// faults were searched naively; at this size that would not finish.
TEST(XmlIllFormed, RunsOfFaultsDoNotMultiplyTheWork)
{
    const auto times = [](std::string_view piece, std::size_t n) {
        std::string out;
        for (std::size_t i = 0; i < n; ++i) out += piece;
        return out;
    };
    const std::size_t n = 100000;
    for (const std::string& input : {times("<a>", n) + times("</b>", n), std::string(n, '<') + "<r/>"}) {
        XmlDocument doc;
        EXPECT_FALSE(doc.LoadFromBytes(input));
        // The first faults and a count of the rest: the log does not grow with the file.
        EXPECT_LE(doc.ResultText().size(), XmlResultLog::kMaxBytes + 64);
        EXPECT_EQ(doc.ResultText().rfind("<read ", 0), 0u);
        EXPECT_TRUE(Contains(doc.ResultText(), "<events_omitted count=\"")) << doc.ResultText().substr(0, 200);
        EXPECT_EQ(Saved(doc), input);
    }
    for (const char* opener : {"<!--", "<![CDATA[", "<?", "<!DOCTYPE", "<a x='"}) {
        XmlDocument doc;
        EXPECT_FALSE(doc.LoadFromBytes("<r>" + times(opener, n))) << opener;
        EXPECT_TRUE(doc.FindSibling("r")) << opener;
    }
}

// An element without an end tag runs to the end of its parent's content;
// edits inside and after it keep it so, line breaks included.
TEST(XmlIllFormed, WellFormedMarkupOfEveryKindIsAccepted)
{
    const std::string input =
        "<?xml version=\"1.0\"?>\n"
        "<!DOCTYPE r [\n  <!ENTITY e \"a > b ]\">\n  <!-- ] > -->\n  <!ATTLIST r x CDATA '>'>\n]>\n"
        "<?pi data > more?>\n"
        "<r x=\"a > b\" y='\"'>\n  <![CDATA[ <no> ]]>\n  <!-- <no/> -->\n  &e; <n:s xmlns:n=\"u\">t</n:s >\n</r>\n"
        "<!-- trailing -->\n";
    XmlDocument doc;
    EXPECT_TRUE(doc.LoadFromBytes(input)) << doc.ResultText();
    ASSERT_TRUE(Descend(doc, {"r"}));
    EXPECT_FALSE(doc.FindSibling("no"));
    EXPECT_TRUE(doc.FindSibling("n:s"));
}

TEST(XmlIllFormed, EditsWorkAroundAndInsideAnUnendedElement)
{
    RunCases({
        {"<r>\n<a>\n<b/>\n</r>\n",
         {">r", ">a", "+c", "#<r>\n<a>\n<b/>\n<c/>\r\n</r>\n", "<", "@k=v", "#<r>\n<a k=\"v\">\n<b/>\n<c/>\r\n</r>\n",
          "<", ">", "?a", "-"},
         "<r>\n</r>\n"},
        // removing a child of <b> takes white space only up to the end of <b>,
        // not the line break of <c>; what is appended there stays inside <b>
        {"<c><b>t",
         {">c", "?b", "+a", "-", "#<c><b>t\r\n", ">", "+x", "#<c><b>t<x/>\r\n\r\n", "-", "#<c><b>t\r\n", "+y"},
         "<c><b>t<y/>\r\n\r\n",
         "<c>@0+15/0f2{<b>@3+10/0f2{<y/>@7+4/0f1{}}}"},
        // the same for an element added after the last child of <c>
        {"<x><c><r/>",
         {">x", "?c", "+b", "<", ">", ">c", "?r", "+a"},
         "<x><c><r/><a/>\r\n\r\n<b/>",
         "<x>@0+22/0f2{<c>@3+13/0f2{<r/>@6+4/0f1{}<a/>@10+4/0f1{}}<b/>@18+4/0f1{}}"},
        // an unended last child runs to the end of the text, white space included
        {"<r><a/><b x=\"1\">\n\n",
         {">r", "+c", "#<r><a/><b x=\"1\">\n\n<c/>", "-", ":b", "+d", "#<r><a/><b x=\"1\">\n\n<d/>", "-"},
         "<r><a/><b x=\"1\">\n\n"},
        // a stray slash in an empty-element tag stays apart from the new close
        {"<r><p x=\"1\"//></r>", {">r", "?p", "=t"}, "<r><p x=\"1\"/ >t</p></r>"},
    });
}

}  // namespace
}  // namespace kerfmax::test
