// Documents that are not well formed still load; what cannot be read is
// recorded in the result text and the recognisable elements stay editable.
#include <gtest/gtest.h>

#include "XmlTestHelpers.h"

namespace kerfmax::test {
namespace {

struct IllFormedCase {
    const char* input;
    const char* event;      // expected in the result text
    const char* reachable;  // a child of <r> that is still found
};

TEST(XmlIllFormed, FaultsAreRecordedAndTheParseGoesOn)
{
    const IllFormedCase cases[] = {
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
    for (const IllFormedCase& c : cases) {
        XmlDocument doc;
        EXPECT_FALSE(doc.LoadFromBytes(c.input)) << c.input;
        EXPECT_NE(doc.ResultText().find(c.event), std::string::npos) << c.input << "\n" << doc.ResultText();
        ASSERT_TRUE(doc.FindSibling("r")) << c.input;
        doc.EnterElement();
        EXPECT_TRUE(doc.FindSibling(c.reachable)) << c.input;
        EXPECT_EQ(Saved(doc), c.input) << "the text stays whole";
    }
    XmlDocument empty;
    EXPECT_FALSE(empty.LoadFromBytes("<?xml version=\"1.0\"?><!-- nothing -->"));
    EXPECT_NE(empty.ResultText().find("<no_root_element/>"), std::string::npos);
}

// Each of these would take a pass over the rest of the text per fault if
// faults were searched naively; at this size that would not finish.
TEST(XmlIllFormed, RunsOfFaultsDoNotMultiplyTheWork)
{
    const std::size_t n = 100000;
    std::string strayEndTags;
    for (std::size_t i = 0; i < n; ++i)
        strayEndTags += "<a>";
    for (std::size_t i = 0; i < n; ++i)
        strayEndTags += "</b>";
    const std::string repeated[] = {strayEndTags, std::string(n, '<') + "<r/>"};
    for (const std::string& input : repeated) {
        XmlDocument doc;
        EXPECT_FALSE(doc.LoadFromBytes(input));
        EXPECT_EQ(Saved(doc), input);
    }
    for (const char* opener : {"<!--", "<![CDATA[", "<?", "<!DOCTYPE", "<a x='"}) {
        std::string input = "<r>";
        for (std::size_t i = 0; i < n; ++i)
            input += opener;
        XmlDocument doc;
        EXPECT_FALSE(doc.LoadFromBytes(input)) << opener;
        EXPECT_TRUE(doc.FindSibling("r")) << opener;
    }
}

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
    ASSERT_TRUE(doc.FindSibling("r"));
    doc.EnterElement();
    EXPECT_FALSE(doc.FindSibling("no"));
    EXPECT_TRUE(doc.FindSibling("n:s"));
}

TEST(XmlIllFormed, EditsWorkAroundAnUnendedElement)
{
    XmlDocument doc = Loaded("<r>\n<a>\n<b/>\n</r>\n");
    doc.FindSibling("r");
    doc.EnterElement();
    doc.FindSibling("a");  // never ended: it runs to </r> and holds <b/>
    doc.EnterElement();
    ASSERT_TRUE(doc.AppendElement("c"));
    EXPECT_EQ(doc.Text(), "<r>\n<a>\n<b/>\n<c/>\r\n</r>\n");
    doc.LeaveElement();
    ASSERT_TRUE(doc.SetAttribute("k", "v"));
    EXPECT_EQ(doc.Text(), "<r>\n<a k=\"v\">\n<b/>\n<c/>\r\n</r>\n");
    doc.LeaveElement();
    doc.EnterElement();
    doc.FindSibling("a");
    ASSERT_TRUE(doc.RemoveElement());
    EXPECT_EQ(doc.Text(), "<r>\n</r>\n");
    EXPECT_INDEX_IN_STEP(doc);
}

TEST(XmlIllFormed, AStraySlashInAnEmptyElementTagStaysApartFromTheNewClose)
{
    XmlDocument doc = Loaded("<r><p x=\"1\"//></r>");
    doc.FindSibling("r");
    doc.EnterElement();
    doc.FindSibling("p");
    ASSERT_TRUE(doc.SetElementText("t"));
    EXPECT_EQ(doc.Text(), "<r><p x=\"1\"/ >t</p></r>");
    EXPECT_INDEX_IN_STEP(doc);
}

TEST(XmlIllFormed, AppendToAParentWhoseLastChildIsUnendedGoesAfterThatChild)
{
    // <b> is never ended and runs to the end of the text, white space included.
    XmlDocument doc = Loaded("<r><a/><b x=\"1\">\n\n");
    doc.FindSibling("r");
    doc.EnterElement();
    ASSERT_TRUE(doc.AppendElement("c"));
    EXPECT_EQ(doc.Text(), "<r><a/><b x=\"1\">\n\n<c/>");
    ASSERT_TRUE(doc.RemoveElement());
    EXPECT_EQ(doc.GetTagName(), "b");
    ASSERT_TRUE(doc.AppendElement("d"));
    EXPECT_EQ(doc.Text(), "<r><a/><b x=\"1\">\n\n<d/>");
    EXPECT_TRUE(doc.RemoveElement());
    EXPECT_EQ(doc.Text(), "<r><a/><b x=\"1\">\n\n");
}

}  // namespace
}  // namespace kerfmax::test
