// Adding, filling and removing elements: where the bytes go, what becomes
// current, and that the index stays in step with the text.
#include <gtest/gtest.h>

#include <functional>

#include "XmlTestHelpers.h"

namespace kerfmax::test {
namespace {

using Edit = std::function<void(XmlDocument&)>;

struct EditCase {
    const char* input;
    const char* at;  // the child of <r> made current first, or empty
    Edit edit;
    const char* expected;
};

// Every case starts inside the root element <r>.
void RunCases(const std::vector<EditCase>& cases)
{
    for (const EditCase& c : cases) {
        XmlDocument doc = Loaded(c.input);
        ASSERT_TRUE(Descend(doc, {"r"})) << c.input;
        if (*c.at) {
            ASSERT_TRUE(doc.FindSibling(c.at)) << c.input;
        }
        c.edit(doc);
        EXPECT_EQ(doc.Text(), c.expected) << c.input;
        EXPECT_INDEX_IN_STEP(doc);
        EXPECT_WELL_FORMED(Saved(doc));
    }
}

const Edit kAppend = [](XmlDocument& d) { EXPECT_TRUE(d.AppendElement("n")); };
const Edit kInsert = [](XmlDocument& d) { EXPECT_TRUE(d.InsertElement("n")); };
const Edit kRemove = [](XmlDocument& d) { EXPECT_TRUE(d.RemoveElement()); };

// One line break, after the new element, where RemoveElement takes it back.
TEST(XmlAddElement, PlacesTheNewEmptyElementWithALineBreak)
{
    RunCases({
        // as last child or after the current element, in front of the next markup
        {"<r>\n\t<a/>\n</r>", "", kAppend, "<r>\n\t<a/>\n<n/>\r\n</r>"},
        {"<r><a/><b/></r>", "a", kAppend, "<r><a/><n/>\r\n<b/></r>"},
        {"<r>\n  <a/>\n  <b/>\n</r>", "a", kAppend, "<r>\n  <a/>\n  <n/>\r\n<b/>\n</r>"},
        {"<r></r>", "", kAppend, "<r><n/>\r\n</r>"},
        // as first child or right in front of the current element
        {"<r>\n  <a/>\n</r>", "", kInsert, "<r>\n  <n/>\r\n<a/>\n</r>"},
        {"<r>\n  <a/>\n  <b/>\n</r>", "b", kInsert, "<r>\n  <a/>\n  <n/>\r\n<b/>\n</r>"},
        // inside an empty-element tag, which becomes a start and an end tag
        {"<r><p x=\"1\"/></r>", "p",
         [](XmlDocument& d) {
             d.EnterElement();
             kAppend(d);
         },
         "<r><p x=\"1\"><n/>\r\n</p></r>"},
        {"<r><p /></r>", "p",
         [](XmlDocument& d) {
             d.EnterElement();
             kInsert(d);
         },
         "<r><p ><n/>\r\n</p></r>"},
        // two inserts right after entering: the second lands in front of the first
        {"<r><a/></r>", "",
         [](XmlDocument& d) {
             d.InsertElement("second");
             d.InsertElement("first");
         },
         "<r><first/>\r\n<second/>\r\n<a/></r>"},
        // the new element is current and takes attributes and children
        {"<r/>", "",
         [](XmlDocument& d) {
             d.AppendElement("cmdBarLane");
             d.SetAttribute("k", "v");
             d.EnterElement();
             d.AppendElement("commandBar");
             d.SetAttribute("visible", "true");
         },
         "<r><cmdBarLane k=\"v\"><commandBar visible=\"true\"/>\r\n</cmdBarLane>\r\n</r>"},
    });
}

TEST(XmlAddElement, NothingIsAddedBesideTheRootOrUnderABadName)
{
    XmlDocument doc = Loaded("<r/>");
    EXPECT_FALSE(doc.AppendElement("n")) << "a second root";
    doc.FindSibling("r");
    EXPECT_FALSE(doc.AppendElement("n"));
    EXPECT_FALSE(doc.InsertElement("n"));
    doc.EnterElement();
    for (const char* bad : {"", "a b", "a/", "<a", "a>", "9a", "a=\"1\""}) EXPECT_FALSE(doc.AppendElement(bad)) << bad;
    EXPECT_EQ(doc.Text(), "<r/>");

    XmlDocument empty = Loaded("<?xml version=\"1.0\"?>\n");
    ASSERT_TRUE(empty.AppendElement("root")) << "a document without elements gets its root";
    EXPECT_EQ(empty.Text(), "<?xml version=\"1.0\"?>\n<root/>");
    EXPECT_WELL_FORMED(Saved(empty));
}

TEST(XmlElementText, ReplacesTheWholeContentEscaped)
{
    const auto text = [](const char* t, bool ok) {
        return [=](XmlDocument& d) { EXPECT_EQ(d.SetElementText(t), ok); };
    };
    RunCases({
        {"<r><t a=\"1\"/></r>", "t", text("x<y>&z", true), "<r><t a=\"1\">x&lt;y&gt;&amp;z</t></r>"},
        // over old text and comments; quotes, tabs and line feeds stay
        {"<r><t>old<!-- c -->text</t><u/></r>", "t", text("\"q\"\n\t\t'a'", true), "<r><t>\"q\"\n\t\t'a'</t><u/></r>"},
        {"<r><t>old</t></r>", "t", text("", true), "<r><t></t></r>"},
        // refused for an element with children
        {"<r><t><c/></t></r>", "t", text("x", false), "<r><t><c/></t></r>"},
    });
}

TEST(XmlRemoveElement, TakesTheElementAndTheWhiteSpaceUpToTheNextMarkup)
{
    RunCases({
        {"<r>\n  <a/>\n  <b><c/></b>\n  <d/>\n</r>", "b", kRemove, "<r>\n  <a/>\n  <d/>\n</r>"},
        {"<r>\n  <a/>\n  <b/>\n</r>", "b", kRemove, "<r>\n  <a/>\n  </r>"},
        // white space before text stays with the text
        {"<r><a/> tail</r>", "a", kRemove, "<r> tail</r>"},
        // every copy in a loop, the search going on after the gap
        {"<r><x k=\"1\"/><x k=\"2\"/><y/><x k=\"1\"/><x k=\"1\"/></r>", "",
         [](XmlDocument& d) {
             while (d.FindSibling("x"))
                 if (d.GetAttribute("k") == "1") d.RemoveElement();
         },
         "<r><x k=\"2\"/><y/></r>"},
    });
}

TEST(XmlRemoveElement, ThePreviousSiblingBecomesCurrentOrNoneAfterTheFirst)
{
    XmlDocument doc = Loaded("<r><a/><b/><c/></r>");
    Descend(doc, {"r"});
    doc.FindSibling("b");
    ASSERT_TRUE(doc.RemoveElement());
    EXPECT_EQ(doc.GetTagName(), "a");
    ASSERT_TRUE(doc.RemoveElement());
    EXPECT_FALSE(doc.HasCurrentElement()) << "the next search starts at the first child";
    EXPECT_TRUE(doc.FindSibling("c"));
    EXPECT_EQ(doc.Text(), "<r><c/></r>");
    EXPECT_INDEX_IN_STEP(doc);

    XmlDocument root = Loaded("<?xml version=\"1.0\"?>\n<r><a/></r>\n<!-- after -->\n");
    root.FindSibling("r");
    ASSERT_TRUE(root.RemoveElement());
    EXPECT_EQ(root.Text(), "<?xml version=\"1.0\"?>\n<!-- after -->\n") << "the rest of the text stays";
    ASSERT_TRUE(root.AppendElement("new"));
    EXPECT_INDEX_IN_STEP(root);
}

TEST(XmlEdits, RemovingWhatWasAddedGivesBackTheTextExactly)
{
    const std::string original =
        "<uiConfig>\r\n\t<commandBars>\r\n\t\t<commandBarData guid=\"h\">\r\n\t\t\t<toolbar>\r\n"
        "\t\t\t\t<item guidRef=\"old\"/>\r\n\t\t\t</toolbar>\r\n\t\t</commandBarData>\r\n"
        "\t\t<![CDATA[ <commandBarData guid=\"own\"/> ]]><!-- <items/> -->\r\n\t\t<commandBarData "
        "guid=\"z\"/>\r\n\t</commandBars>\r\n\t<items>\r\n\t\t<itemData/>\r\n\t</items>\r\n</uiConfig>\r\n";
    XmlDocument doc = Loaded(original);
    Descend(doc, {"uiConfig", "commandBars", "commandBarData", "toolbar"});
    doc.InsertElement("item");
    doc.SetAttribute("guidRef", "second");
    doc.InsertElement("item");
    doc.SetAttribute("guidRef", "cmd");
    doc.LeaveElement();
    doc.LeaveElement();
    doc.AppendElement("commandBarData");
    doc.SetAttribute("guid", "own");
    doc.LeaveElement();
    Descend(doc, {"items"});
    doc.AppendElement("itemData");
    doc.SetAttribute("guid", "cmd");
    EXPECT_WELL_FORMED(Saved(doc));
    EXPECT_INDEX_IN_STEP(doc);

    XmlDocument undo = Loaded(doc.Text());
    Descend(undo, {"uiConfig", "commandBars"});
    while (undo.FindSibling("commandBarData")) {
        if (undo.GetAttribute("guid") == "own") {
            undo.RemoveElement();
        } else if (undo.GetAttribute("guid") == "h") {
            undo.EnterElement();
            Descend(undo, {"toolbar"});
            while (undo.FindSibling("item"))
                if (undo.GetAttribute("guidRef") != "old") undo.RemoveElement();
            undo.LeaveElement();
            undo.LeaveElement();
        }
    }
    undo.LeaveElement();
    Descend(undo, {"items"});
    while (undo.FindSibling("itemData"))
        if (undo.GetAttribute("guid") == "cmd") undo.RemoveElement();
    EXPECT_EQ(undo.Text(), original);
}

}  // namespace
}  // namespace kerfmax::test
