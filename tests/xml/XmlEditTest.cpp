// Adding, filling and removing elements: where the bytes go, what becomes
// current, and that the index stays in step with the text.
#include <gtest/gtest.h>

#include <functional>

#include "XmlTestHelpers.h"

namespace kerfmax::test {
namespace {

struct EditCase {
    const char* name;
    const char* input;
    std::function<void(XmlDocument&)> edit;
    const char* expected;
};

// Every case starts inside the root element <r>.
void RunCases(const std::vector<EditCase>& cases)
{
    for (const EditCase& c : cases) {
        XmlDocument doc = Loaded(c.input);
        ASSERT_TRUE(doc.FindSibling("r")) << c.name;
        ASSERT_TRUE(doc.EnterElement()) << c.name;
        c.edit(doc);
        EXPECT_EQ(doc.Text(), c.expected) << c.name;
        EXPECT_INDEX_IN_STEP(doc);
        EXPECT_WELL_FORMED(Saved(doc));
    }
}

TEST(XmlAddElement, PlacesTheNewEmptyElementWithALineBreak)
{
    RunCases({
        {"append as last child, right in front of the end tag",
         "<r>\n\t<a/>\n</r>", [](XmlDocument& d) { EXPECT_TRUE(d.AppendElement("n")); },
         "<r>\n\t<a/>\n<n/>\r\n</r>"},
        {"append after the current element",
         "<r><a/><b/></r>", [](XmlDocument& d) { d.FindSibling("a"); d.AppendElement("n"); },
         "<r><a/>\r\n<n/>\r\n<b/></r>"},
        {"append after the current element, in front of the next markup",
         "<r>\n  <a/>\n  <b/>\n</r>", [](XmlDocument& d) { d.FindSibling("a"); d.AppendElement("n"); },
         "<r>\n  <a/>\n  <n/>\r\n<b/>\n</r>"},
        {"insert as first child, in front of the first markup",
         "<r>\n  <a/>\n</r>", [](XmlDocument& d) { d.InsertElement("n"); },
         "<r>\n  <n/>\r\n<a/>\n</r>"},
        {"insert right in front of the current element",
         "<r>\n  <a/>\n  <b/>\n</r>", [](XmlDocument& d) { d.FindSibling("b"); d.InsertElement("n"); },
         "<r>\n  <a/>\n  <n/>\r\n<b/>\n</r>"},
        {"into an empty start/end pair",
         "<r></r>", [](XmlDocument& d) { d.AppendElement("n"); }, "<r>\r\n<n/>\r\n</r>"},
        {"append inside an empty-element tag turns it into start and end tag",
         "<r><p x=\"1\"/></r>",
         [](XmlDocument& d) { d.FindSibling("p"); d.EnterElement(); d.AppendElement("n"); },
         "<r><p x=\"1\">\r\n<n/>\r\n</p></r>"},
        {"insert inside an empty-element tag with a blank before the slash",
         "<r><p /></r>",
         [](XmlDocument& d) { d.FindSibling("p"); d.EnterElement(); d.InsertElement("n"); },
         "<r><p >\r\n<n/>\r\n</p></r>"},
        {"two inserts right after entering: the second lands in front of the first",
         "<r><a/></r>",
         [](XmlDocument& d) { d.InsertElement("second"); d.InsertElement("first"); },
         "<r>\r\n<first/>\r\n<second/>\r\n<a/></r>"},
        {"the new element is current and takes attributes and children",
         "<r/>",
         [](XmlDocument& d) {
             d.AppendElement("cmdBarLane");
             d.SetAttribute("k", "v");
             d.EnterElement();
             d.AppendElement("commandBar");
             d.SetAttribute("visible", "true");
         },
         "<r>\r\n<cmdBarLane k=\"v\">\r\n<commandBar visible=\"true\"/>\r\n</cmdBarLane>\r\n</r>"},
    });
}

TEST(XmlAddElement, NewElementIsCurrentAndLinkedAmongItsSiblings)
{
    XmlDocument doc = Loaded("<r><a/><c/></r>");
    doc.FindSibling("r");
    doc.EnterElement();
    doc.FindSibling("a");
    ASSERT_TRUE(doc.AppendElement("b"));
    EXPECT_EQ(doc.GetTagName(), "b");
    EXPECT_TRUE(doc.FindSibling("c"));
    doc.LeaveElement();
    doc.EnterElement();
    EXPECT_TRUE(doc.FindSibling("a"));
    EXPECT_TRUE(doc.FindSibling("b"));
    EXPECT_TRUE(doc.FindSibling("c"));
}

TEST(XmlAddElement, NothingIsAddedBesideTheRootOrUnderABadName)
{
    XmlDocument doc = Loaded("<r/>");
    EXPECT_FALSE(doc.AppendElement("n")) << "top level, no current element: a second root";
    doc.FindSibling("r");
    EXPECT_FALSE(doc.AppendElement("n"));
    EXPECT_FALSE(doc.InsertElement("n"));
    doc.EnterElement();
    for (const char* bad : {"", "a b", "a/", "<a", "a>", "9a", "a=\"1\""})
        EXPECT_FALSE(doc.AppendElement(bad)) << bad;
    EXPECT_EQ(doc.Text(), "<r/>");

    XmlDocument empty = Loaded("<?xml version=\"1.0\"?>\n");
    ASSERT_TRUE(empty.AppendElement("root")) << "a document without elements gets its root";
    EXPECT_EQ(empty.Text(), "<?xml version=\"1.0\"?>\n<root/>");
    EXPECT_WELL_FORMED(Saved(empty));
}

TEST(XmlElementText, ReplacesTheWholeContentEscaped)
{
    RunCases({
        {"into an empty-element tag",
         "<r><t a=\"1\"/></r>", [](XmlDocument& d) { d.FindSibling("t"); EXPECT_TRUE(d.SetElementText("x<y>&z")); },
         "<r><t a=\"1\">x&lt;y&gt;&amp;z</t></r>"},
        {"over old text and comments; quotes, tabs and line feeds stay",
         "<r><t>old<!-- c -->text</t><u/></r>",
         [](XmlDocument& d) { d.FindSibling("t"); d.SetElementText("\"q\"\n\t\t'a'"); },
         "<r><t>\"q\"\n\t\t'a'</t><u/></r>"},
        {"to empty",
         "<r><t>old</t></r>", [](XmlDocument& d) { d.FindSibling("t"); d.SetElementText(""); }, "<r><t></t></r>"},
        {"refused for an element with children",
         "<r><t><c/></t></r>", [](XmlDocument& d) { d.FindSibling("t"); EXPECT_FALSE(d.SetElementText("x")); },
         "<r><t><c/></t></r>"},
    });
}

TEST(XmlRemoveElement, TakesTheElementAndTheWhiteSpaceUpToTheNextMarkup)
{
    RunCases({
        {"a middle child with its line",
         "<r>\n  <a/>\n  <b><c/></b>\n  <d/>\n</r>", [](XmlDocument& d) { d.FindSibling("b"); d.RemoveElement(); },
         "<r>\n  <a/>\n  <d/>\n</r>"},
        {"the last child",
         "<r>\n  <a/>\n  <b/>\n</r>", [](XmlDocument& d) { d.FindSibling("b"); d.RemoveElement(); },
         "<r>\n  <a/>\n  </r>"},
        {"white space before text stays with the text",
         "<r><a/> tail</r>", [](XmlDocument& d) { d.FindSibling("a"); d.RemoveElement(); }, "<r> tail</r>"},
        {"every copy in a loop, the search going on after the gap",
         "<r><x k=\"1\"/><x k=\"2\"/><y/><x k=\"1\"/><x k=\"1\"/></r>",
         [](XmlDocument& d) {
             while (d.FindSibling("x"))
                 if (d.GetAttribute("k") == "1")
                     d.RemoveElement();
         },
         "<r><x k=\"2\"/><y/></r>"},
    });
}

TEST(XmlRemoveElement, ThePreviousSiblingBecomesCurrent)
{
    XmlDocument doc = Loaded("<r><a/><b/><c/></r>");
    doc.FindSibling("r");
    doc.EnterElement();
    doc.FindSibling("b");
    ASSERT_TRUE(doc.RemoveElement());
    EXPECT_EQ(doc.GetTagName(), "a");
    // The first child leaves no current element: the search starts at the first child again.
    ASSERT_TRUE(doc.RemoveElement());
    EXPECT_FALSE(doc.HasCurrentElement());
    EXPECT_TRUE(doc.FindSibling("c"));
    EXPECT_EQ(doc.Text(), "<r><c/></r>");
    EXPECT_INDEX_IN_STEP(doc);
}

TEST(XmlRemoveElement, RemovingTheRootLeavesTheRestOfTheText)
{
    XmlDocument doc = Loaded("<?xml version=\"1.0\"?>\n<r><a/></r>\n<!-- after -->\n");
    doc.FindSibling("r");
    ASSERT_TRUE(doc.RemoveElement());
    EXPECT_EQ(doc.Text(), "<?xml version=\"1.0\"?>\n<!-- after -->\n");
    EXPECT_FALSE(doc.FindSibling("r"));
    ASSERT_TRUE(doc.AppendElement("new"));
    EXPECT_INDEX_IN_STEP(doc);
}

TEST(XmlEdits, RemovingWhatWasAddedGivesBackTheTextExactly)
{
    const std::string original =
        "<uiConfig>\r\n\t<commandBars>\r\n\t\t<commandBarData guid=\"h\">\r\n\t\t\t<toolbar>\r\n"
        "\t\t\t\t<item guidRef=\"old\"/>\r\n\t\t\t</toolbar>\r\n\t\t</commandBarData>\r\n"
        "\t\t<![CDATA[ <commandBarData guid=\"own\"/> ]]><!-- <items/> -->\r\n\t\t<commandBarData guid=\"z\"/>\r\n\t</commandBars>\r\n\t<items>\r\n\t\t<itemData/>\r\n\t</items>\r\n</uiConfig>\r\n";
    XmlDocument doc = Loaded(original);
    doc.FindSibling("uiConfig");
    doc.EnterElement();
    doc.FindSibling("commandBars");
    doc.EnterElement();
    doc.FindSibling("commandBarData");
    doc.EnterElement();
    doc.FindSibling("toolbar");
    doc.EnterElement();
    doc.InsertElement("item");
    doc.SetAttribute("guidRef", "second");
    doc.InsertElement("item");
    doc.SetAttribute("guidRef", "cmd");
    doc.LeaveElement();
    doc.LeaveElement();
    doc.AppendElement("commandBarData");
    doc.SetAttribute("guid", "own");
    doc.LeaveElement();
    doc.FindSibling("items");
    doc.EnterElement();
    doc.AppendElement("itemData");
    doc.SetAttribute("guid", "cmd");
    EXPECT_WELL_FORMED(Saved(doc));
    EXPECT_INDEX_IN_STEP(doc);

    XmlDocument undo = Loaded(doc.Text());
    undo.FindSibling("uiConfig");
    undo.EnterElement();
    undo.FindSibling("commandBars");
    undo.EnterElement();
    while (undo.FindSibling("commandBarData")) {
        if (undo.GetAttribute("guid") == "own") {
            undo.RemoveElement();
        } else if (undo.GetAttribute("guid") == "h") {
            undo.EnterElement();
            undo.FindSibling("toolbar");
            undo.EnterElement();
            while (undo.FindSibling("item"))
                if (undo.GetAttribute("guidRef") != "old")
                    undo.RemoveElement();
            undo.LeaveElement();
            undo.LeaveElement();
        }
    }
    undo.LeaveElement();
    undo.FindSibling("items");
    undo.EnterElement();
    while (undo.FindSibling("itemData"))
        if (undo.GetAttribute("guid") == "cmd")
            undo.RemoveElement();
    EXPECT_EQ(undo.Text(), original);
}

}  // namespace
}  // namespace kerfmax::test
