#pragma once
// Where the settings file lives: the folder "Kerfmax" in the user's documents
// folder, file "Kerfmax.ini".
#include <filesystem>
#include <string>

namespace kerfmax {

inline constexpr const char* kSettingsFolderName = "Kerfmax";
inline constexpr const char* kSettingsFileName = "Kerfmax.ini";

// The settings file in documentsFolder; creates the "Kerfmax" folder (and a
// missing documents folder) when needed. A folder that cannot be created is
// not reported here: the settings file reports it, with the folder's reason,
// when it cannot be opened.
// An empty documentsFolder gives an empty path, which never opens.
std::filesystem::path SettingsFilePathIn(const std::filesystem::path& documentsFolder);

// Why SettingsFilePathIn could not make the folder of settingsFile (a
// read-only documents folder, say); empty when it could or was not asked.
std::string SettingsFolderError(const std::filesystem::path& settingsFile);

// The same for the current user's documents folder.
std::filesystem::path SettingsFilePath();

}  // namespace kerfmax
