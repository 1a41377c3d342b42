#pragma once
// The host versions we integrate with, in the order every pass walks them,
// and where each keeps its workspace and user folders in the registry.
#include <array>
#include <string>
#include <string_view>

namespace kerfmax {

// Folder: the workspace is a folder holding "DRAWUIConfig.xml".
// Package: the workspace is a ".cdws" zip package holding "content/workspace.xml".
enum class WorkspaceKind { Folder, Package };

struct CorelVersionRow {
    int major;
    std::string_view programKey;       // under HKEY_CURRENT_USER
    std::string_view workspaceValue;   // value naming the current workspace
    WorkspaceKind kind;
    std::string_view label;            // appended to the closing message; begins with a blank
};

inline constexpr std::array<CorelVersionRow, 10> CorelVersionTable = {{
    {12, "Software\\Corel\\CorelDRAW\\12.0\\CorelDRAW", "LastWorkspaceUsed", WorkspaceKind::Folder, " 12"},
    {13, "Software\\Corel\\CorelDRAW\\13.0\\CorelDRAW", "LastWorkspaceUsed", WorkspaceKind::Folder, " X3"},
    {14, "Software\\Corel\\CorelDRAW\\14.0\\CorelDRAW", "LastWorkspaceUsed", WorkspaceKind::Folder, " X4"},
    {15, "Software\\Corel\\CorelDRAW\\15.0\\Draw", "LastWorkspaceUsed", WorkspaceKind::Folder, " X5"},
    {16, "Software\\Corel\\CorelDRAW\\16.0\\Draw", "LastWorkspaceUsed", WorkspaceKind::Folder, " X6"},
    {17, "Software\\Corel\\CorelDRAW\\17.0\\Draw", "LastCorelWorkspaceUsed", WorkspaceKind::Package, " X7"},
    {18, "Software\\Corel\\CorelDRAW\\18.0\\Draw", "LastCorelWorkspaceUsed", WorkspaceKind::Package, " X8"},
    {19, "Software\\Corel\\CorelDRAW\\19.0\\Draw", "LastCorelWorkspaceUsed", WorkspaceKind::Package, " 2017"},
    {20, "Software\\Corel\\CorelDRAW\\20.0\\Draw", "LastCorelWorkspaceUsed", WorkspaceKind::Package, " 2018"},
    {21, "Software\\Corel\\CorelDRAW\\21.0\\Draw", "LastCorelWorkspaceUsed", WorkspaceKind::Package, " 2019"},
}};

// The value under a version's directories key that names its user folder.
inline constexpr std::string_view kUserFolderValue = "EmbedObjDir";

// The program key followed by "\Application Preferences\Directories".
std::string DirectoriesKey(const CorelVersionRow& row);

// The label without its leading blank, for lists and problem reports.
std::string_view ShortLabel(const CorelVersionRow& row);

}  // namespace kerfmax
