#include "app/SettingsPath.h"

#include <map>
#include <mutex>
#include <string>
#include <system_error>

#include "platform/PathText.h"

#include "platform/UserFolders.h"

namespace kerfmax {

namespace {

std::mutex g_noteMutex;
std::map<std::filesystem::path, std::string> g_folderErrors;  // folder -> why it could not be made

void NoteFolderError(const std::filesystem::path& folder, const std::string& reason)
{
    std::lock_guard<std::mutex> lock(g_noteMutex);
    if (reason.empty()) g_folderErrors.erase(folder);
    else g_folderErrors[folder] = reason;
}

}  // namespace

std::filesystem::path SettingsFilePathIn(const std::filesystem::path& documentsFolder)
{
    if (documentsFolder.empty()) return {};
    std::filesystem::path folder = documentsFolder / kSettingsFolderName;
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    // Kept for CIniFile: "No such file" would hide that the folder could not be made.
    NoteFolderError(folder, error ? "cannot create folder " + PathToUtf8(folder) + ": " + error.message() : "");
    return folder / kSettingsFileName;
}

std::string SettingsFolderError(const std::filesystem::path& settingsFile)
{
    std::lock_guard<std::mutex> lock(g_noteMutex);
    auto found = g_folderErrors.find(settingsFile.parent_path());
    return found == g_folderErrors.end() ? std::string() : found->second;
}

std::filesystem::path SettingsFilePath()
{
    return SettingsFilePathIn(DocumentsFolder());
}

}  // namespace kerfmax
