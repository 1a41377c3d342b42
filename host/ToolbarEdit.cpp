#include "host/ToolbarEdit.h"

#include <string>

#include "host/ButtonBitmapBlob.h"
#include "host/HostIdentifiers.h"
#include "xml/XmlDocument.h"

namespace kerfmax {

namespace {

// Host versions from here on store their toolbars as "toolbar" elements...
constexpr int kFirstToolbarElementVersion = 17;
// ...and from here on show the command's icon file instead of an embedded bitmap.
constexpr int kFirstIconFileVersion = 18;
// Only the first few dock bars are looked at for the floating one.
constexpr int kDockBarTries = 5;

bool AttributeIs(const XmlDocument& document, std::string_view name, std::string_view value)
{
    return document.HasCurrentElement() && document.GetAttribute(name) == value;
}

// Puts our toolbar into the first floating dock bar among the first few.
bool AddFloatingDockEntry(XmlDocument& document)
{
    bool chosen = false;
    for (int attempt = 0; attempt < kDockBarTries && !chosen; ++attempt)
        chosen = document.FindSibling("dockBar") && document.GetAttribute("position") == "float";
    if (!chosen) return false;
    document.EnterElement();
    if (!document.FindSibling("cmdBarLane")) document.AppendElement("cmdBarLane");
    document.EnterElement();
    document.AppendElement("commandBar");
    document.SetAttribute("guidRef", TOOLBAR_GUID);
    document.SetAttribute("floatX", "200");
    document.SetAttribute("floatY", "200");
    document.SetAttribute("visible", "true");
    document.LeaveElement();
    document.LeaveElement();
    return true;
}

bool FindHostToolbarDefinition(XmlDocument& document)
{
    while (document.FindSibling("commandBarData"))
        if (document.GetAttribute("guid") == HOST_TOOLBAR_GUID) return true;
    return false;
}

bool FindToolbarOrContainer(XmlDocument& document)
{
    return document.FindSibling("toolbar") || document.FindSibling("container");
}

// The host toolbar begins with the command, then the second item, then its own.
void AddCommandToHostToolbar(XmlDocument& document)
{
    document.EnterElement();
    if (FindToolbarOrContainer(document)) {
        document.EnterElement();
        document.InsertElement("item");
        document.SetAttribute("guidRef", SECOND_ITEM_GUID);
        document.InsertElement("item");
        document.SetAttribute("guidRef", ITEM_GUID);
        document.LeaveElement();
    }
    document.LeaveElement();
}

void AddOwnToolbarDefinition(XmlDocument& document, int corelVersion)
{
    document.AppendElement("commandBarData");
    document.SetAttribute("guid", TOOLBAR_GUID);
    document.SetAttribute("type", "toolbar");
    document.SetAttribute("nonLocalizableName", kToolbarName);
    document.SetAttribute("userCaption", kToolbarName);
    document.SetAttribute("userCreated", "true");
    document.EnterElement();
    if (corelVersion < kFirstToolbarElementVersion) {
        document.AppendElement("container");
        document.SetAttribute("floatWidth", "30");
    } else {
        document.AppendElement("toolbar");
    }
    document.EnterElement();
    document.InsertElement("item");
    document.SetAttribute("guidRef", ITEM_GUID);
    document.LeaveElement();
    document.LeaveElement();
}

void AddToolbars(XmlDocument& document, int corelVersion)
{
    if (FindHostToolbarDefinition(document)) AddCommandToHostToolbar(document);
    AddOwnToolbarDefinition(document, corelVersion);
}

void AddCommandDeclaration(XmlDocument& document, int corelVersion)
{
    document.AppendElement("itemData");
    document.SetAttribute("guid", ITEM_GUID);
    document.SetAttribute("dynamicCommand", kMacroCommand);
    document.SetAttribute("dynamicCategory", CATEGORY_GUID);
    if (corelVersion >= kFirstIconFileVersion) {
        document.SetAttribute("icon", ICON_GUID_REF);
        return;
    }
    document.SetAttribute("userCaption", kCommandCaption);
    document.SetAttribute("userToolTip", kCommandCaption);
    document.EnterElement();
    document.AppendElement("userSmallBitmap");
    document.SetAttribute("xmlns:dt", "urn:schemas-microsoft-com:datatypes");
    document.SetAttribute("dt:dt", "bin.base64");
    document.SetElementText(ButtonBitmapBlob());
    document.LeaveElement();
}

// Removes, among the current parent's children from the current position on,
// every element of that name whose attribute has that value.
bool RemoveMatchingSiblings(XmlDocument& document, std::string_view element, std::string_view attribute,
                            std::string_view value)
{
    bool removed = false;
    while (document.FindSibling(element))
        if (document.GetAttribute(attribute) == value) removed = document.RemoveElement() || removed;
    return removed;
}

bool RemoveFloatingDockEntries(XmlDocument& document)
{
    bool removed = false;
    while (document.FindSibling("dockBar")) {
        if (document.GetAttribute("position") != "float") continue;
        document.EnterElement();
        if (document.FindSibling("cmdBarLane")) {
            document.EnterElement();
            removed = RemoveMatchingSiblings(document, "commandBar", "guidRef", TOOLBAR_GUID) || removed;
            document.LeaveElement();
        }
        document.LeaveElement();
    }
    return removed;
}

// The command items go in every visit; the second item only in a visit that
// removed no command item, which is the visit after our own toolbar
// definition (added right after this one) was taken out.
bool RemoveCommandFromHostToolbar(XmlDocument& document)
{
    bool removed = false;
    document.EnterElement();
    if (FindToolbarOrContainer(document)) {
        document.EnterElement();
        int counter = 0;
        while (document.FindSibling("item")) {
            if (document.GetAttribute("guidRef") == ITEM_GUID && document.RemoveElement()) ++counter;
            if (counter == 0 && AttributeIs(document, "guidRef", SECOND_ITEM_GUID) && document.RemoveElement())
                ++counter;
        }
        removed = counter > 0;
        document.LeaveElement();
    }
    document.LeaveElement();
    return removed;
}

// A later visit of the host toolbar, after the command items are gone, takes
// out the first second item that is left.
bool RemoveSecondItems(XmlDocument& document, int count)
{
    int removed = 0;
    document.EnterElement();
    if (FindToolbarOrContainer(document)) {
        document.EnterElement();
        while (removed < count && document.FindSibling("item"))
            if (document.GetAttribute("guidRef") == SECOND_ITEM_GUID && document.RemoveElement()) ++removed;
        document.LeaveElement();
    }
    document.LeaveElement();
    return removed > 0;
}

// Every removal of our definition right after the host toolbar's visits the
// host toolbar again. Those later visits are counted and done together when
// the walk has moved on, so that many copies cost one pass over its items.
bool RemoveToolbars(XmlDocument& document)
{
    bool removed = false;
    XmlDocument::Position visited;
    int laterVisits = 0;
    const auto catchUp = [&] {
        if (laterVisits == 0) return;
        const XmlDocument::Position here = document.GetPosition();
        document.SetPosition(visited);
        removed = RemoveSecondItems(document, laterVisits) || removed;
        document.SetPosition(here);
        laterVisits = 0;
    };
    while (document.FindSibling("commandBarData")) {
        if (document.GetAttribute("guid") == TOOLBAR_GUID) removed = document.RemoveElement() || removed;
        if (!AttributeIs(document, "guid", HOST_TOOLBAR_GUID)) continue;
        if (document.GetPosition().current == visited.current) {
            ++laterVisits;
            continue;
        }
        catchUp();
        visited = document.GetPosition();
        removed = RemoveCommandFromHostToolbar(document) || removed;
    }
    catchUp();
    return removed;
}

}  // namespace

bool AddToolbarEntries(XmlDocument& document, int corelVersion)
{
    if (!document.FindSibling("uiConfig")) return false;
    document.EnterElement();
    bool added = false;
    if (document.FindSibling("frame")) {
        document.EnterElement();
        added = AddFloatingDockEntry(document);
        document.LeaveElement();
    }
    if (document.FindSibling("commandBars")) {
        document.EnterElement();
        AddToolbars(document, corelVersion);
        document.LeaveElement();
        added = true;
    }
    if (document.FindSibling("items")) {
        document.EnterElement();
        AddCommandDeclaration(document, corelVersion);
        document.LeaveElement();
        added = true;
    }
    return added;
}

bool RemoveToolbarEntries(XmlDocument& document)
{
    if (!document.FindSibling("uiConfig")) return false;
    document.EnterElement();
    bool removed = false;
    if (document.FindSibling("frame")) {
        document.EnterElement();
        removed = RemoveFloatingDockEntries(document) || removed;
        document.LeaveElement();
    }
    if (document.FindSibling("commandBars")) {
        document.EnterElement();
        removed = RemoveToolbars(document) || removed;
        document.LeaveElement();
    }
    if (document.FindSibling("items")) {
        document.EnterElement();
        removed = RemoveMatchingSiblings(document, "itemData", "guid", ITEM_GUID) || removed;
        document.LeaveElement();
    }
    return removed;
}

WorkspaceEditResult AddToolbarToWorkspaceXml(const std::filesystem::path& file, int corelVersion, bool keepBackup)
{
    return EditWorkspaceFile(
        file, [corelVersion](XmlDocument& document) { return AddToolbarEntries(document, corelVersion); }, keepBackup);
}

WorkspaceEditResult RemoveToolbarFromWorkspaceXml(const std::filesystem::path& file, bool keepBackup)
{
    return EditWorkspaceFile(file, RemoveToolbarEntries, keepBackup);
}

}  // namespace kerfmax
