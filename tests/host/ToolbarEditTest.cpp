// Adding and removing our toolbar, command and dock entry in a workspace
// file, checked with xmllint for placement and by text for attribute order.
#include <gtest/gtest.h>

#include "WorkspaceFixtures.h"
#include "host/ButtonBitmapBlob.h"
#include "host/HostIdentifiers.h"
#include "host/ToolbarEdit.h"
#include "xml/XmlDocument.h"

namespace kerfmax {
namespace {

using test::WellFormed;
using test::WorkspaceXml;
using test::XPath;

const std::string kItem(ITEM_GUID);
const std::string kToolbar(TOOLBAR_GUID);
const std::string kHost(HOST_TOOLBAR_GUID);
const std::string kSecond(SECOND_ITEM_GUID);
const std::string kOwnBar = "/uiConfig/commandBars/commandBarData[@guid='" + kToolbar + "']";
const std::string kOwnItem = "/uiConfig/items/itemData[@guid='" + kItem + "']";
const std::string kDockEntry = "//commandBar[@guidRef='" + kToolbar + "']";

// Adds for the version, or removes when corelVersion is 0.
std::string Edited(const std::string& xml, int corelVersion, bool* changed = nullptr)
{
    XmlDocument document;
    document.LoadFromBytes(xml);
    bool edited = corelVersion ? AddToolbarEntries(document, corelVersion) : RemoveToolbarEntries(document);
    if (changed) *changed = edited;
    std::string out;
    document.SaveToBytes(out);
    return out;
}
std::string Removed(const std::string& xml, bool* changed = nullptr)
{
    return Edited(xml, 0, changed);
}

std::string Count(const std::string& xml, const std::string& path)
{
    return XPath(xml, "count(" + path + ")");
}

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
    std::string xml = Edited(WorkspaceXml({.corelVersion = 16}), 16);
    ASSERT_TRUE(WellFormed(xml));
    auto contains = [&](const std::string& text) { return xml.find(text) != std::string::npos; };

    EXPECT_TRUE(contains("<commandBar guidRef=\"" + kToolbar + "\" floatX=\"200\" floatY=\"200\" visible=\"true\"/>"));
    EXPECT_EQ(XPath(xml, "string(/uiConfig/frame/dockBar[@position='float']/cmdBarLane/commandBar[last()]/@guidRef)"),
              kToolbar);
    EXPECT_EQ(XPath(xml, "string(/uiConfig/commandBars/commandBarData[@guid='bar-1']/container/item[1]/@guidRef)"),
              "x1");
    EXPECT_TRUE(contains("<commandBarData guid=\"" + kToolbar +
                         "\" type=\"toolbar\" nonLocalizableName=\"Kerfmax\" userCaption=\"Kerfmax\" "
                         "userCreated=\"true\">"));
    EXPECT_EQ(XPath(xml, "string(/uiConfig/commandBars/commandBarData[@guid='" + kHost +
                             "']/following-sibling::commandBarData[1]/@guid)"),
              kToolbar);
    EXPECT_TRUE(contains("<itemData guid=\"" + kItem +
                         "\" dynamicCommand=\"Kerfmax.Cutter.Cutting\" dynamicCategory=\"" +
                         std::string(CATEGORY_GUID) + "\" userCaption=\"Cutting\" userToolTip=\"Cutting\">"));
    EXPECT_EQ(XPath(xml, "string(/uiConfig/items/itemData[last()]/@guid)"), kItem);
    EXPECT_TRUE(contains("<userSmallBitmap xmlns:dt=\"urn:schemas-microsoft-com:datatypes\" dt:dt=\"bin.base64\">" +
                         ButtonBitmapBlob() + "</userSmallBitmap>"));
}

TEST(ToolbarEdit, ElementKindsFollowTheHostVersion)
{
    for (int version = 12; version <= 21; ++version) {
        SCOPED_TRACE(version);
        std::string xml = Edited(WorkspaceXml({.corelVersion = version}), version);
        ASSERT_TRUE(WellFormed(xml));
        EXPECT_EQ(Count(xml, kOwnBar + "/container[@floatWidth='30']/item[@guidRef='" + kItem + "']"),
                  version < 17 ? "1" : "0");
        EXPECT_EQ(Count(xml, kOwnBar + "/toolbar/item[@guidRef='" + kItem + "']"), version < 17 ? "0" : "1");
        EXPECT_EQ(Count(xml, kOwnBar + "/toolbar/@*"), "0");
        EXPECT_EQ(Count(xml, kOwnItem + "/userSmallBitmap"), version < 18 ? "1" : "0");
        EXPECT_EQ(Count(xml, kOwnItem + "/@userCaption"), version < 18 ? "1" : "0");
        EXPECT_EQ(XPath(xml, "string(" + kOwnItem + "/@icon)"), version < 18 ? "" : std::string(ICON_GUID_REF));
        EXPECT_EQ(HostItemList(xml), kItem + "," + kSecond + ",y1,y2");
    }
}

TEST(ToolbarEdit, UnusualHostFilesGetWhatFitsThem)
{
    // The floating dock bar counts only among the first five; the other entries still go in.
    EXPECT_EQ(Count(Edited(WorkspaceXml({.dockBarsBeforeFloat = 4}), 18), kDockEntry), "1");
    bool changed = false;
    std::string sixth = Edited(WorkspaceXml({.dockBarsBeforeFloat = 5}), 18, &changed);
    EXPECT_EQ(Count(sixth, kDockEntry), "0");
    EXPECT_TRUE(changed);
    EXPECT_EQ(Count(sixth, kOwnItem), "1");

    std::string noLane = Edited(WorkspaceXml({.floatLane = false}), 18);
    ASSERT_TRUE(WellFormed(noLane));
    EXPECT_EQ(Count(noLane, "/uiConfig/frame/dockBar[@position='float']/cmdBarLane" + kDockEntry.substr(1)), "1");

    // Without the host toolbar our definition goes last and holds the only item.
    std::string noHost = Edited(WorkspaceXml({.hostToolbar = false}), 18);
    ASSERT_TRUE(WellFormed(noHost));
    EXPECT_EQ(XPath(noHost, "string(/uiConfig/commandBars/commandBarData[last()]/@guid)"), kToolbar);
    EXPECT_EQ(Count(noHost, "//item[@guidRef='" + kItem + "']"), "1");
    EXPECT_EQ(Count(noHost, "//item[@guidRef='" + kSecond + "']"), "0");

    const std::string foreign = "<?xml version=\"1.0\"?>\n<other><items/><commandBars/></other>\n";
    EXPECT_EQ(Edited(foreign, 18, &changed), foreign);
    EXPECT_FALSE(changed);
    EXPECT_EQ(Removed(foreign, &changed), foreign);
    EXPECT_FALSE(changed);
}

TEST(ToolbarEdit, RemoveAfterOneAddGivesBackTheOriginal)
{
    for (int version : {16, 17, 18}) {
        SCOPED_TRACE(version);
        // One element per line: the very bytes come back.
        std::string flat = WorkspaceXml({.corelVersion = version, .indented = false});
        bool changed = false;
        EXPECT_EQ(Removed(Edited(flat, version), &changed), flat);
        EXPECT_TRUE(changed);
        // No white space between the elements at all: still the very bytes.
        std::string packed = test::WithoutIndentation(flat);
        EXPECT_EQ(Removed(Edited(packed, version)), packed);
        // Many registrations, one removal: every copy goes in the one pass.
        std::string many = flat;
        for (int i = 0; i < 50; ++i) many = Edited(many, version);
        EXPECT_EQ(Removed(many), flat);
        // Indented: at least the same elements come back.
        std::string indented = WorkspaceXml({.corelVersion = version});
        EXPECT_EQ(test::WithoutIndentation(Removed(Edited(indented, version))), test::WithoutIndentation(indented));
    }
}

TEST(ToolbarEdit, AddTwiceRemoveOnceTakesOutEveryCopy)
{
    std::string twice = Edited(Edited(WorkspaceXml({.corelVersion = 17}), 17), 17);
    EXPECT_EQ(Count(twice, kDockEntry), "2");
    EXPECT_EQ(Count(twice, kOwnBar), "2");
    EXPECT_EQ(Count(twice, kOwnItem), "2");
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
    std::string xml = Edited(WorkspaceXml({.otherBarAfterHost = true}), 18);
    const std::string other = "<commandBarData guid=\"bar-2\" type=\"toolbar\"/>\r\n\t\t";
    xml.erase(xml.find(other), other.size());
    xml.insert(xml.find("<commandBarData guid=\"" + kToolbar), other);
    ASSERT_EQ(XPath(xml, "string(//commandBarData[@guid='bar-2']/following-sibling::commandBarData[1]/@guid)"),
              kToolbar);

    std::string removed = Removed(xml);
    EXPECT_EQ(HostItemList(removed), kSecond + ",y1,y2");
    EXPECT_EQ(Count(removed, kOwnBar), "0");
}

}  // namespace
}  // namespace kerfmax
