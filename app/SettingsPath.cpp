#include "app/SettingsPath.h"

#include <system_error>

#include "platform/UserFolders.h"

namespace kerfmax {

std::filesystem::path SettingsFilePathIn(const std::filesystem::path& documentsFolder)
{
    if (documentsFolder.empty()) return {};
    std::filesystem::path folder = documentsFolder / kSettingsFolderName;
    std::error_code ignored;   // CIniFile names the path and the reason when it cannot open the file
    std::filesystem::create_directories(folder, ignored);
    return folder / kSettingsFileName;
}

std::filesystem::path SettingsFilePath()
{
    return SettingsFilePathIn(DocumentsFolder());
}

}  // namespace kerfmax
