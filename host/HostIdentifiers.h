#pragma once
// The fixed names by which the host drawing program knows our command, our
// toolbar and our files. They are stored in the host's workspace files, so
// they must never change between releases: removal finds entries by them.
#include <array>
#include <string_view>

namespace kerfmax {

// "guid" of the command's itemData and "guidRef" of every item placing it.
inline constexpr std::string_view ITEM_GUID = "ee9b5e83-7350-4d6b-b8f3-5fb960bbae51";
// Our own "Kerfmax" toolbar definition and its entry in the floating dock bar.
inline constexpr std::string_view TOOLBAR_GUID = "f0a66e00-ca51-42b9-b33f-af700510b514";
// An existing host toolbar that also receives the command at its front.
inline constexpr std::string_view HOST_TOOLBAR_GUID = "7c905e2a-cb64-4ba1-aff0-c306f392680c";
// The host item placed right after the command in that toolbar.
inline constexpr std::string_view SECOND_ITEM_GUID = "266435b4-6e53-460f-9fa7-f45be187d400";
inline constexpr std::string_view CATEGORY_GUID = "2cc24a3e-fe24-4708-9a74-9c75406eebcd";
// The command's icon from version 18 on (older versions embed a bitmap).
inline constexpr std::string_view ICON_GUID_REF = "guid://10056ae4-cb43-4ced-b6da-e422c9666888";

inline constexpr std::string_view kToolbarName = "Kerfmax";
inline constexpr std::string_view kCommandCaption = "Cutting";
inline constexpr std::string_view kMacroCommand = "Kerfmax.Cutter.Cutting";

// Files beside the program that registration copies into the host.
inline constexpr std::array<std::string_view, 3> kWorkspaceIconFiles = {
    "10056ae4-cb43-4ced-b6da-e422c6668881.ico",
    "10056ae4-cb43-4ced-b6da-e422c6668882.ico",
    "10056ae4-cb43-4ced-b6da-e422c6668883.ico",
};
inline constexpr std::string_view kMacroProjectSource = "Kerfmax.dll";
inline constexpr std::string_view kMacroProjectTarget = "Kerfmax.gms";

// Appended to a workspace file's or package's name for the one copy of it
// kept before our first edit.
inline constexpr std::string_view kBackupSuffix = ".kerfmax.bak";
// Appended to a package's file name for the folder it is unpacked into.
inline constexpr std::string_view kWorkingFolderSuffix = ".kerfmax-work";

}  // namespace kerfmax
