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

using Strings = std::vector<std::string>;
using test::WorkspaceXml;
using test::XPaths;

const std::string kItem(ITEM_GUID);
const std::string kToolbar(TOOLBAR_GUID);
const std::string kSecond(SECOND_ITEM_GUID);
const std::string kHost(HOST_TOOLBAR_GUID);
const std::string kBars = "/uiConfig/commandBars/commandBarData";
const std::string kOwnBar = kBars + "[@guid='" + kToolbar + "']";
const std::string kOwnItem = "/uiConfig/items/itemData[@guid='" + kItem + "']";
const std::string kFloatLane = "/uiConfig/frame/dockBar[@position='float']/cmdBarLane";
const std::string kHostItems = kBars + "[@guid='" + kHost + "']/*/item";
const std::string kDockEntry = "count(//commandBar[@guidRef='" + kToolbar + "'])";

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

// Ours last among the floating bars, the definitions and the commands; the
// host toolbar's right before ours and our two items first in it;
// attributes in the host's order.
TEST(ToolbarEdit, AddPutsEveryEntryInPlaceInTheElementKindsOfTheHostVersion)
{
    const Strings texts{
        "<commandBar guidRef=\"" + kToolbar + "\" floatX=\"200\" floatY=\"200\" visible=\"true\"/>",
        "<commandBarData guid=\"" + kToolbar +
            "\" type=\"toolbar\" nonLocalizableName=\"Kerfmax\" userCaption=\"Kerfmax\" userCreated=\"true\">",
        "<itemData guid=\"" + kItem + "\" dynamicCommand=\"Kerfmax.Cutter.Cutting\" dynamicCategory=\"" +
            std::string(CATEGORY_GUID) + "\" userCaption=\"Cutting\" userToolTip=\"Cutting\">",
        "<userSmallBitmap xmlns:dt=\"urn:schemas-microsoft-com:datatypes\" dt:dt=\"bin.base64\">" + ButtonBitmapBlob() +
            "</userSmallBitmap>"};
    for (int version : {12, 16, 17, 18, 21}) {
        SCOPED_TRACE(version);
        const bool container = version < 17, bitmap = version < 18;
        std::string xml = Edited(WorkspaceXml({.corelVersion = version}), version);
        for (const std::string& text : texts)
            EXPECT_EQ(xml.find(text) != std::string::npos, bitmap || text == texts[0] || text == texts[1]) << text;
        EXPECT_EQ(
            XPaths(xml, {"string(" + kFloatLane + "/commandBar[last()]/@guidRef)",
                         "string(" + kBars + "[@guid='bar-1']/*/item[1]/@guidRef)",
                         "string(" + kBars + "[@guid='" + kHost + "']/following-sibling::commandBarData[1]/@guid)",
                         "string(/uiConfig/items/itemData[last()]/@guid)",
                         "count(" + kOwnBar + "/container[@floatWidth='30']/item[@guidRef='" + kItem + "'])",
                         "count(" + kOwnBar + "/toolbar/item[@guidRef='" + kItem + "'])",
                         "count(" + kOwnBar + "/toolbar/@*)", "count(" + kOwnItem + "/userSmallBitmap)",
                         "count(" + kOwnItem + "/@userCaption)", "count(" + kOwnItem + "/@icon)",
                         "count(" + kOwnItem + "[@icon='" + std::string(ICON_GUID_REF) + "'])",
                         "string(" + kHostItems + "[1]/@guidRef)", "string(" + kHostItems + "[2]/@guidRef)",
                         "count(" + kHostItems + ")"}),
            (Strings{kToolbar, "x1", kToolbar, kItem, container ? "1" : "0", container ? "0" : "1", "0",
                     bitmap ? "1" : "0", bitmap ? "1" : "0", bitmap ? "0" : "1", bitmap ? "0" : "1", kItem, kSecond,
                     "4"}));
    }
}

TEST(ToolbarEdit, UnusualHostFilesGetWhatFitsThem)
{
    // The floating dock bar counts only among the first five; the other entries still go in.
    EXPECT_EQ(XPaths(Edited(WorkspaceXml({.dockBarsBeforeFloat = 4}), 18), {kDockEntry}), Strings{"1"});
    bool changed = false;
    std::string sixth = Edited(WorkspaceXml({.dockBarsBeforeFloat = 5}), 18, &changed);
    EXPECT_TRUE(changed);
    EXPECT_EQ(XPaths(sixth, {kDockEntry, "count(" + kOwnItem + ")"}), (Strings{"0", "1"}));

    std::string noLane = Edited(WorkspaceXml({.floatLane = false}), 18);
    EXPECT_EQ(XPaths(noLane, {"count(" + kFloatLane + "/commandBar[@guidRef='" + kToolbar + "'])"}), Strings{"1"});

    // Without the host toolbar our definition goes last and holds the only item.
    std::string noHost = Edited(WorkspaceXml({.hostToolbar = false}), 18);
    EXPECT_EQ(XPaths(noHost, {"string(" + kBars + "[last()]/@guid)", "count(//item[@guidRef='" + kItem + "'])",
                              "count(//item[@guidRef='" + kSecond + "'])"}),
              (Strings{kToolbar, "1", "0"}));

    const std::string foreign = "<?xml version=\"1.0\"?>\n<other><items/><commandBars/></other>\n";
    EXPECT_EQ(Edited(foreign, 18, &changed), foreign);
    EXPECT_FALSE(changed);
    EXPECT_EQ(Edited(foreign, 0, &changed), foreign);
    EXPECT_FALSE(changed);
}

}  // namespace
}  // namespace kerfmax
