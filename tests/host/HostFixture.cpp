#include "HostFixture.h"

#include <regex>
#include <stdexcept>

#include "WorkspaceFixtures.h"
#include "host/CorelVersionTable.h"
#include "host/HostIdentifiers.h"
#include "platform/Registry.h"

namespace kerfmax::test {

const std::string HostFixture::kMacroBytes = std::string("macro project\0\x01\x02", 16);

namespace {

// user.reg writes a backslash or a quote inside a string with a backslash in front.
std::string EscapeRegText(const std::string& text)
{
    return std::regex_replace(text, std::regex(R"([\\"])"), R"(\$&)");
}

const CorelVersionRow& RowOf(int major)
{
    for (const auto& row : CorelVersionTable)
        if (row.major == major) return row;
    throw std::invalid_argument("no such version");
}

bool IsPackage(int major) { return RowOf(major).kind == WorkspaceKind::Package; }

void Run7z(const std::vector<std::string>& command)
{
    if (auto result = RunProgram(command); result.exitCode != 0) throw std::runtime_error("7z failed: " + result.out);
}

}  // namespace

HostFixture::HostFixture() : m_prefix(m_root / "prefix"), m_program(m_root / "program")
{
    std::filesystem::create_directories(m_prefix / "drive_c/users/me");
    std::filesystem::create_directories(m_program);
    for (std::string_view icon : kWorkspaceIconFiles)
        std::filesystem::copy_file(SourcePath("resources/icons/" + std::string(icon)), m_program / icon);
    WriteFileBytes(m_program / "Kerfmax.dll", kMacroBytes);
    WriteRegistry();
}

std::filesystem::path HostFixture::WorkspacePath(int major) const
{
    auto workspace = VersionFolder(major) / "Workspace";
    return IsPackage(major) ? workspace / "Mine.cdws" : workspace / "Mine" / "DRAWUIConfig.xml";
}

std::string HostFixture::OriginalXml(int major) const
{
    return WorkspaceXml({.corelVersion = major, .indented = false});
}

void HostFixture::InstallVersion(int major, bool workspace, bool userFolder)
{
    const auto& row = RowOf(major);
    const std::string windowsFolder = "C:\\users\\me\\Corel\\" + std::to_string(major) + "\\";
    if (workspace) {
        std::filesystem::create_directories(WorkspacePath(major).parent_path());
        if (IsPackage(major)) MakePackage(major, OriginalXml(major));
        else WriteFileBytes(WorkspacePath(major), OriginalXml(major));
        SetValue(std::string(row.programKey), std::string(row.workspaceValue),
                 windowsFolder + (IsPackage(major) ? "Workspace\\Mine.cdws" : "Workspace\\Mine.cfg"));
    }
    if (userFolder) {
        std::filesystem::create_directories(VersionFolder(major) / "User");
        SetValue(DirectoriesKey(row), "EmbedObjDir", windowsFolder + "User\\");
    }
}

void HostFixture::WriteRegistry() const
{
    std::string text =
        "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\S-1-5-21-1-2-3-1000\n\n#arch=win64\n";
    for (const auto& [key, values] : m_values) {
        text += "\n[" + EscapeRegText(key) + "] 1700000000\n#time=1d9d1a2b3c4d5e6\n";
        for (const auto& [name, value] : values) text += "\"" + name + "\"=\"" + EscapeRegText(value) + "\"\n";
    }
    WriteFileBytes(m_prefix / "user.reg", text);
}

void HostFixture::MakePackage(int major, const std::string& xml) const
{
    // One package per workspace text for the whole program: 7z is slow to start.
    static std::map<std::string, std::string> made;
    if (!made.count(xml)) {
        TempDir stage, out;
        std::filesystem::create_directories(stage / "content" / "other");
        WriteFileBytes(stage / "content" / "workspace.xml", xml);
        WriteFileBytes(stage / "content" / "other" / "notes.txt", "host notes");
        WriteFileBytes(stage / "top.txt", "top level");
        Run7z({"7z", "a", "-tzip", "-r", (out / "p.zip").string(), (stage / "*").string()});
        made[xml] = ReadFileBytes(out / "p.zip");
    }
    WriteFileBytes(WorkspacePath(major), made[xml]);
}

std::map<std::string, std::string> HostFixture::PackageFiles(int major) const
{
    TempDir out;
    Run7z({"7z", "x", "-y", WorkspacePath(major).string(), "-o" + out.Path().string()});
    std::map<std::string, std::string> files;
    for (auto& entry : std::filesystem::recursive_directory_iterator(out.Path()))
        if (entry.is_regular_file())
            files[entry.path().lexically_relative(out.Path()).string()] = ReadFileBytes(entry.path());
    return files;
}

std::string HostFixture::CurrentXml(int major) const
{
    if (!IsPackage(major)) return ReadFileBytes(WorkspacePath(major));
    return PackageFiles(major).at("content/workspace.xml");
}

HostRunReport HostFixture::Run(bool install) const
{
    auto registry = OpenWinePrefixRegistry(m_prefix);
    HostEnvironment environment{*registry, m_program, "7z"};
    return RunHostIntegration(install, environment);
}

ProcessResult HostFixture::RunCli(bool install, const std::vector<std::string>& extraEnv) const
{
    std::vector<std::string> env = extraEnv;
    env.push_back("WINEPREFIX=" + m_prefix.string());
    return test::RunCli({install ? "register" : "unregister", "--program-folder", m_program.string()}, env);
}

}  // namespace kerfmax::test
