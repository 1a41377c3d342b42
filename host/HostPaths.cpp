#include "host/HostPaths.h"

#include <algorithm>
#include <cctype>

#include "host/HostIdentifiers.h"

namespace kerfmax {

namespace {
bool EndsWithNoCase(const std::string& text, std::string_view ending)
{
    if (text.size() < ending.size()) return false;
    return std::equal(ending.begin(), ending.end(), text.end() - static_cast<std::ptrdiff_t>(ending.size()),
                      [](char a, char b) {
                          return std::tolower(static_cast<unsigned char>(a)) ==
                                 std::tolower(static_cast<unsigned char>(b));
                      });
}
}  // namespace

std::optional<std::string> FolderWorkspaceFile(const std::string& workspaceValue)
{
    if (workspaceValue.size() < 4) return std::nullopt;
    return workspaceValue.substr(0, workspaceValue.size() - 4) + "\\DRAWUIConfig.xml";
}

std::filesystem::path PackageWorkingFolder(const std::filesystem::path& packageFile)
{
    std::string name = packageFile.filename().string();
    if (EndsWithNoCase(name, ".cdws") && name.size() > 5) name.resize(name.size() - 5);
    return packageFile.parent_path() / name;
}

std::filesystem::path PackageWorkspaceFile(const std::filesystem::path& workingFolder)
{
    return workingFolder / "content" / "workspace.xml";
}

std::filesystem::path PackageIconsFolder(const std::filesystem::path& workingFolder)
{
    return workingFolder / "content" / "icons";
}

std::string MacroFolder(const std::string& userFolderValue)
{
    bool separated = !userFolderValue.empty() && (userFolderValue.back() == '\\' || userFolderValue.back() == '/');
    return userFolderValue + (separated ? "" : "\\") + "GMS";
}

std::string MacroFile(const std::string& userFolderValue)
{
    return MacroFolder(userFolderValue) + "\\" + std::string(kMacroProjectTarget);
}

}  // namespace kerfmax
