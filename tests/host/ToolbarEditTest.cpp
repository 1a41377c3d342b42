// Adding and removing our toolbar, command and dock entry in a workspace
// file, checked with xmllint for placement and by text for attribute order.
#include <gtest/gtest.h>

#include "WorkspaceFixtures.h"
#include "host/ButtonBitmapBlob.h"
#include "host/HostIdentifiers.h"
#include "host/ToolbarEdit.h"
#include "support/TestSupport.h"
#include "xml/XmlDocument.h"

namespace kerfmax {
namespace {

using test::WellFormed;
using test::WorkspaceShape;
using test::WorkspaceXml;
using test::XPath;

const std::string kItem(ITEM_GUID);
const std::string kToolbar(TOOLBAR_GUID);
const std::string kHost(HOST_TOOLBAR_GUID);
const std::string kSecond(SECOND_ITEM_GUID);

std::string Added(const std::string& xml, int corelVersion, bool* changed = nullptr)
{
    XmlDocument document;
    document.LoadFromBytes(xml);
    bool edited = AddToolbarEntries(document, corelVersion);
    if (changed) *changed = edited;
    std::string out;
    document.SaveToBytes(out);
    return out;
}

std::string Removed(const std::string& xml, bool* changed = nullptr)
{
    XmlDocument document;
    document.LoadFromBytes(xml);
    bool edited = RemoveToolbarEntries(document);
    if (changed) *changed = edited;
    std::string out;
    document.SaveToBytes(out);
    return out;
}

std::string Count(const std::string& xml, const std::string& path) { return XPath(xml, "count(" + path + ")"); }

std::string HostItemList(const std::string& xml)
{
    std::string list;
    for (int i = 1;; ++i) {
        std::string guid = XPath(xml, "string(/uiConfig/commandBars/commandBarData[@guid='" + kHost + "']/*/item[" +
                                          std::to_string(i) + "]/@guidRef)");
        if (guid.empty()) return list;
        list += (list.empty() ? "" : ",") + guid;
    }
}

TEST(ToolbarEdit, AddPutsEveryEntryInPlaceWithItsAttributesInOrder)
{
    std::string xml = Added(WorkspaceXml({.corelVersion = 16}), 16);
    ASSERT_TRUE(WellFormed(xml));

    EXPECT_NE(xml.find("<commandBar guidRef=\"" + kToolbar + "\" floatX=\"200\" floatY=\"200\" visible=\"true\"/>"),
              std::string::npos);
    EXPECT_EQ(XPath(xml, "string(/uiConfig/frame/dockBar[@position='float']/cmdBarLane/commandBar[last()]/@guidRef)"),
              kToolbar);
    EXPECT_EQ(HostItemList(xml), kItem + "," + kSecond + ",y1,y2");
    EXPECT_EQ(XPath(xml, "string(/uiConfig/commandBars/commandBarData[@guid='bar-1']/container/item[1]/@guidRef)"),
              "x1");

    EXPECT_NE(xml.find("<commandBarData guid=\"" + kToolbar +
                       "\" type=\"toolbar\" nonLocalizableName=\"Kerfmax\" userCaption=\"Kerfmax\" "
                       "userCreated=\"true\">"),
              std::string::npos);
    EXPECT_EQ(XPath(xml, "string(/uiConfig/commandBars/commandBarData[@guid='" + kHost +
                             "']/following-sibling::commandBarData[1]/@guid)"),
              kToolbar);
    const std::string own = "/uiConfig/commandBars/commandBarData[@guid='" + kToolbar + "']";
    EXPECT_EQ(XPath(xml, "string(" + own + "/container/@floatWidth)"), "30");
    EXPECT_EQ(XPath(xml, "string(" + own + "/container/item/@guidRef)"), kItem);

    EXPECT_NE(xml.find("<itemData guid=\"" + kItem +
                       "\" dynamicCommand=\"Kerfmax.Cutter.Cutting\" dynamicCategory=\"" +
                       std::string(CATEGORY_GUID) + "\" userCaption=\"Cutting\" userToolTip=\"Cutting\">"),
              std::string::npos);
    EXPECT_EQ(XPath(xml, "string(/uiConfig/items/itemData[last()]/@guid)"), kItem);
    EXPECT_NE(xml.find("<userSmallBitmap xmlns:dt=\"urn:schemas-microsoft-com:datatypes\" dt:dt=\"bin.base64\">" +
                       ButtonBitmapBlob() + "</userSmallBitmap>"),
              std::string::npos);
}

TEST(ToolbarEdit, ElementKindsFollowTheHostVersion)
{
    for (int version = 12; version <= 21; ++version) {
        SCOPED_TRACE(version);
        std::string xml = Added(WorkspaceXml({.corelVersion = version}), version);
        ASSERT_TRUE(WellFormed(xml));
        const std::string own = "/uiConfig/commandBars/commandBarData[@guid='" + kToolbar + "']";
        const std::string item = "/uiConfig/items/itemData[@guid='" + kItem + "']";
        EXPECT_EQ(Count(xml, own + "/container[@floatWidth='30']/item"), version < 17 ? "1" : "0");
        EXPECT_EQ(Count(xml, own + "/toolbar/item"), version < 17 ? "0" : "1");
        EXPECT_EQ(Count(xml, own + "/toolbar/@*"), "0");
        EXPECT_EQ(Count(xml, item + "/userSmallBitmap"), version < 18 ? "1" : "0");
        EXPECT_EQ(Count(xml, item + "/@userCaption"), version < 18 ? "1" : "0");
        EXPECT_EQ(XPath(xml, "string(" + item + "/@icon)"), version < 18 ? "" : std::string(ICON_GUID_REF));
        EXPECT_EQ(HostItemList(xml), kItem + "," + kSecond + ",y1,y2");
    }
}

TEST(ToolbarEdit, FloatingDockBarMustBeAmongTheFirstFive)
{
    std::string fifth = Added(WorkspaceXml({.dockBarsBeforeFloat = 4}), 18);
    EXPECT_EQ(Count(fifth, "//commandBar[@guidRef='" + kToolbar + "']"), "1");

    bool changed = false;
    std::string sixth = Added(WorkspaceXml({.dockBarsBeforeFloat = 5}), 18, &changed);
    EXPECT_EQ(Count(sixth, "//commandBar[@guidRef='" + kToolbar + "']"), "0");
    EXPECT_TRUE(changed);   // the other entries still go in
    EXPECT_EQ(Count(sixth, "//itemData[@guid='" + kItem + "']"), "1");
}

TEST(ToolbarEdit, FloatingDockBarWithoutLaneGetsOne)
{
    std::string xml = Added(WorkspaceXml({.floatLane = false}), 18);
    ASSERT_TRUE(WellFormed(xml));
    EXPECT_EQ(XPath(xml, "string(/uiConfig/frame/dockBar[@position='float']/cmdBarLane/commandBar/@guidRef)"),
              kToolbar);
}

TEST(ToolbarEdit, WithoutHostToolbarOwnDefinitionGoesLast)
{
    std::string xml = Added(WorkspaceXml({.hostToolbar = false}), 18);
    ASSERT_TRUE(WellFormed(xml));
    EXPECT_EQ(XPath(xml, "string(/uiConfig/commandBars/commandBarData[last()]/@guid)"), kToolbar);
    EXPECT_EQ(Count(xml, "//item[@guidRef='" + kItem + "']"), "1");   // only in our own toolbar
    EXPECT_EQ(Count(xml, "//item[@guidRef='" + kSecond + "']"), "0");
}

TEST(ToolbarEdit, RemoveAfterOneAddGivesBackTheOriginal)
{
    for (int version : {16, 17, 18}) {
        SCOPED_TRACE(version);
        // One element per line: the very bytes come back.
        std::string flat = WorkspaceXml({.corelVersion = version, .indented = false});
        bool changed = false;
        EXPECT_EQ(Removed(Added(flat, version), &changed), flat);
        EXPECT_TRUE(changed);
        // Indented: the same elements come back; the indentation of the lines
        // next to a removed entry is not restored by the document editor.
        std::string indented = WorkspaceXml({.corelVersion = version});
        EXPECT_EQ(test::WithoutIndentation(Removed(Added(indented, version))), test::WithoutIndentation(indented));
    }
}

TEST(ToolbarEdit, AddTwiceRemoveOnceTakesOutEveryCopy)
{
    std::string original = WorkspaceXml({.corelVersion = 17});
    std::string twice = Added(Added(original, 17), 17);
    EXPECT_EQ(Count(twice, "//commandBar[@guidRef='" + kToolbar + "']"), "2");
    EXPECT_EQ(Count(twice, "//commandBarData[@guid='" + kToolbar + "']"), "2");
    EXPECT_EQ(Count(twice, "//itemData[@guid='" + kItem + "']"), "2");
    EXPECT_EQ(HostItemList(twice), kItem + "," + kSecond + "," + kItem + "," + kSecond + ",y1,y2");

    std::string removed = Removed(twice);
    ASSERT_TRUE(WellFormed(removed));
    EXPECT_EQ(Count(removed, "//*[@guidRef='" + kToolbar + "' or @guid='" + kToolbar + "']"), "0");
    EXPECT_EQ(Count(removed, "//*[@guidRef='" + kItem + "' or @guid='" + kItem + "']"), "0");
    EXPECT_EQ(HostItemList(removed), "y1,y2");
}

TEST(ToolbarEdit, DefinitionBetweenHostAndOursKeepsTheSecondItem)
{
    // The host put another definition between its toolbar and ours, so the
    // visit that would take out the second item never happens.
    std::string xml = Added(WorkspaceXml({.otherBarAfterHost = true}), 18);
    const std::string other = "<commandBarData guid=\"bar-2\" type=\"toolbar\"/>\r\n\t\t";
    xml.erase(xml.find(other), other.size());
    xml.insert(xml.find("<commandBarData guid=\"" + kToolbar), other);
    ASSERT_EQ(XPath(xml, "string(//commandBarData[@guid='bar-2']/following-sibling::commandBarData[1]/@guid)"),
              kToolbar);

    std::string removed = Removed(xml);
    EXPECT_EQ(HostItemList(removed), kSecond + ",y1,y2");
    EXPECT_EQ(Count(removed, "//commandBarData[@guid='" + kToolbar + "']"), "0");
}

TEST(ToolbarEdit, FileWithoutUiConfigIsLeftAlone)
{
    const std::string xml = "<?xml version=\"1.0\"?>\n<other><items/><commandBars/></other>\n";
    bool changed = true;
    EXPECT_EQ(Added(xml, 18, &changed), xml);
    EXPECT_FALSE(changed);
    EXPECT_EQ(Removed(xml, &changed), xml);
    EXPECT_FALSE(changed);
}

}  // namespace
}  // namespace kerfmax
