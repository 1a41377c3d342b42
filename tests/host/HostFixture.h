#pragma once
// A Wine prefix with host installations for versions 12 to 21, as the host
// leaves them: registry values in user.reg, folder workspaces, ".cdws"
// packages made with the real 7z, and user folders; plus a program folder
// holding the icon files and a stand-in macro project.
#include <filesystem>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "host/HostRun.h"
#include "support/TestSupport.h"

namespace kerfmax::test {

class HostFixture {
public:
    HostFixture();

    // Registry values and files of one version; call WriteRegistry afterwards.
    void InstallVersion(int major, bool workspace = true, bool userFolder = true);
    void SetValue(const std::string& key, const std::string& name, const std::string& value)
    {
        m_values[key].emplace_back(name, value);
    }
    void WriteRegistry() const;
    // Full installations of the versions, registry written.
    void Install(std::initializer_list<int> majors)
    {
        for (int major : majors) InstallVersion(major);
        WriteRegistry();
    }

    const std::filesystem::path& ProgramFolder() const { return m_program; }
    // The workspace file that the version's value names: DRAWUIConfig.xml or the package.
    std::filesystem::path WorkspacePath(int major) const;
    std::filesystem::path MacroFile(int major) const { return VersionFolder(major) / "User/GMS/Kerfmax.gms"; }
    // The workspace XML as written for the version before any edit (one element per line).
    std::string OriginalXml(int major) const;
    // The version's current workspace XML, read from inside the package when it has one.
    std::string CurrentXml(int major) const;
    // Every file in the package, relative, sorted, with its content.
    std::map<std::string, std::string> PackageFiles(int major) const;

    HostRunReport Run(bool install) const;
    ProcessResult RunCli(bool install, const std::vector<std::string>& extraEnv = {}) const;

    static const std::string kMacroBytes;

private:
    std::filesystem::path VersionFolder(int major) const
    {
        return m_prefix / "drive_c/users/me/Corel" / std::to_string(major);
    }
    void MakePackage(int major, const std::string& xml) const;

    TempDir m_root;
    std::filesystem::path m_prefix;
    std::filesystem::path m_program;
    std::map<std::string, std::vector<std::pair<std::string, std::string>>> m_values;
};

}  // namespace kerfmax::test
