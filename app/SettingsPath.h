#pragma once
// Where the settings file lives: the folder "Kerfmax" in the user's documents
// folder, file "Kerfmax.ini".
#include <filesystem>

namespace kerfmax {

inline constexpr const char* kSettingsFolderName = "Kerfmax";
inline constexpr const char* kSettingsFileName = "Kerfmax.ini";

// The settings file in documentsFolder; creates the "Kerfmax" folder (and a
// missing documents folder) when needed. A folder that cannot be created is
// not reported here: the settings file reports when it cannot be opened.
// An empty documentsFolder gives an empty path, which never opens.
std::filesystem::path SettingsFilePathIn(const std::filesystem::path& documentsFolder);

// The same for the current user's documents folder.
std::filesystem::path SettingsFilePath();

}  // namespace kerfmax
