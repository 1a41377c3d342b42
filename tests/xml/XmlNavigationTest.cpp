// Walking the elements: FindSibling, EnterElement, LeaveElement.
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

TEST(XmlNavigation, FindSiblingLooksOnlyAfterTheCurrentElement)
{
    XmlDocument doc = Loaded(kWorkspace);
    EXPECT_TRUE(doc.IsAtTopLevel());
    EXPECT_FALSE(doc.HasCurrentElement());
    // Without a current element every operation on it fails and changes nothing.
    EXPECT_EQ(doc.GetAttribute("version"), "");
    EXPECT_EQ(doc.GetTagName(), "");
    EXPECT_FALSE(doc.SetAttribute("x", "2"));
    EXPECT_FALSE(doc.SetElementText("t"));
    EXPECT_FALSE(doc.RemoveElement());
    EXPECT_EQ(Saved(doc), kWorkspace);
    ASSERT_TRUE(Descend(doc, {"uiConfig"}));
    ASSERT_TRUE(doc.FindSibling("commandBars"));
    // "frame" stands before the current element: not found, position kept.
    EXPECT_FALSE(doc.FindSibling("frame"));
    EXPECT_EQ(doc.GetTagName(), "commandBars");
    EXPECT_TRUE(doc.FindSibling("items"));
    // Names are case-sensitive.
    EXPECT_FALSE(Loaded("<a><B/></a>").FindSibling("A"));
}

TEST(XmlNavigation, EnterAndLeaveMoveOneLevel)
{
    XmlDocument doc = Loaded(kWorkspace);
    EXPECT_FALSE(doc.EnterElement()) << "no current element yet";
    EXPECT_FALSE(doc.LeaveElement()) << "already at the top level";
    ASSERT_TRUE(Descend(doc, {"uiConfig", "frame"}));
    EXPECT_FALSE(doc.HasCurrentElement());
    doc.FindSibling("dockBar");
    ASSERT_TRUE(Descend(doc, {"dockBar"}));
    ASSERT_TRUE(doc.FindSibling("cmdBarLane"));
    ASSERT_TRUE(doc.LeaveElement());
    EXPECT_EQ(doc.GetAttribute("position"), "float");
    ASSERT_TRUE(doc.LeaveElement());
    EXPECT_EQ(doc.GetTagName(), "frame");
    // Searching goes on after the element left.
    EXPECT_TRUE(doc.FindSibling("items"));
    ASSERT_TRUE(doc.LeaveElement());
    EXPECT_EQ(doc.GetTagName(), "uiConfig");
    EXPECT_TRUE(doc.IsAtTopLevel());
}

}  // namespace
}  // namespace kerfmax::test
