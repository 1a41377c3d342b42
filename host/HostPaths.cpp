#include "host/HostPaths.h"

#include <algorithm>

#include "host/HostIdentifiers.h"
#include "platform/PathText.h"

namespace kerfmax {

std::optional<std::string> FolderWorkspaceFile(const std::string& workspaceValue)
{
    if (workspaceValue.size() < 4) return std::nullopt;
    return workspaceValue.substr(0, workspaceValue.size() - 4) + "\\DRAWUIConfig.xml";
}

std::filesystem::path PackageWorkingFolder(const std::filesystem::path& packageFile)
{
    std::filesystem::path name = packageFile.filename();
    name += PathFromUtf8(kWorkingFolderSuffix);
    return packageFile.parent_path() / name;
}

bool IsPackageWorkingFolderName(const std::filesystem::path& packageFile, const std::string& name)
{
    const std::string base = PathToUtf8(PackageWorkingFolder(packageFile).filename());
    if (name.compare(0, base.size(), base) != 0) return false;
    if (name.size() == base.size()) return true;
    // A numbered variant: "-" and the number, 2 or more, without leading zero.
    if (name.size() < base.size() + 2 || name[base.size()] != '-' || name[base.size() + 1] == '0') return false;
    return std::all_of(name.begin() + static_cast<std::ptrdiff_t>(base.size() + 1), name.end(),
                       [](char c) { return c >= '0' && c <= '9'; }) &&
           name != base + "-1";
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
