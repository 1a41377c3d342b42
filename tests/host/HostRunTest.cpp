// Registration and removal runs against a Wine prefix with real workspace
// folders, real ".cdws" packages handled by the real 7z, and kerfmax-cli.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "HostFixture.h"
#include "WorkspaceFixtures.h"
#include "host/HostIdentifiers.h"

namespace kerfmax {
namespace {

using test::HostFixture;
using test::ReadFileBytes;
using test::WriteFileBytes;
using Strings = std::vector<std::string>;

const std::string kItem(ITEM_GUID);
const std::string kAllVersions = " CorelDraw 12 X3 X4 X5 X6 X7 X8 2017 2018 2019 Success !";

// How often the command is declared; "ill-formed" when xmllint refuses the text.
std::string Occurrences(const std::string& xml)
{
    Strings counts = test::XPaths(xml, {"count(//*[@guid='" + kItem + "'])"});
    return counts.empty() ? "ill-formed" : counts[0];
}

Strings FolderListing(const std::filesystem::path& folder)
{
    Strings names;
    for (auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::filesystem::path Backup(std::filesystem::path workspace)
{
    return workspace += ".kerfmax.bak";
}

bool Has(const Strings& problems, const std::string& text)
{
    return std::any_of(problems.begin(), problems.end(), [&](auto& p) { return p.find(text) != std::string::npos; });
}

class HostRunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!test::HaveProgram("7z") || !test::HaveProgram("xmllint")) GTEST_SKIP() << "needs 7z and xmllint";
    }
    HostFixture m_host;
};

TEST_F(HostRunTest, CliRegistersTwiceAndRemovesEveryVersionBackToTheOriginal)
{
    m_host.Install({12, 13, 14, 15, 16, 17, 18, 19, 20, 21});
    std::map<int, std::string> before;
    for (int major = 12; major <= 21; ++major) before[major] = ReadFileBytes(m_host.WorkspacePath(major));

    auto registered = m_host.RunCli(true);
    EXPECT_EQ(registered.exitCode, 0) << registered.err;
    EXPECT_EQ(registered.out, "Install" + kAllVersions + "\n");
    for (int major = 12; major <= 21; ++major) {
        SCOPED_TRACE(major);
        EXPECT_EQ(ReadFileBytes(m_host.MacroFile(major)), HostFixture::kMacroBytes);
        if (major < 17) {
            EXPECT_EQ(Occurrences(m_host.CurrentXml(major)), "1");
            continue;
        }
        auto files = m_host.PackageFiles(major);
        EXPECT_EQ(Occurrences(files["content/workspace.xml"]), "1");
        for (std::string_view icon : kWorkspaceIconFiles)
            EXPECT_EQ(files["content/icons/" + std::string(icon)], ReadFileBytes(m_host.ProgramFolder() / icon));
        EXPECT_EQ(files["content/other/notes.txt"], "host notes");
        EXPECT_EQ(files["top.txt"], "top level");
        EXPECT_EQ(files.size(), 6u);  // no second tree inside the package
        // Only the package and its one backup; the working folder is gone.
        EXPECT_EQ(FolderListing(m_host.WorkspacePath(major).parent_path()),
                  (Strings{"Mine.cdws", "Mine.cdws.kerfmax.bak"}));
    }
    // Our shipped files stay for the next registration.
    for (std::string_view icon : kWorkspaceIconFiles)
        EXPECT_TRUE(std::filesystem::exists(m_host.ProgramFolder() / icon));

    // A second registration adds a second copy and keeps the first backup.
    EXPECT_EQ(m_host.Run(true).closingMessage, "Install" + kAllVersions);
    for (int major : {16, 18}) EXPECT_EQ(Occurrences(m_host.CurrentXml(major)), "2") << major;

    auto removed = m_host.RunCli(false);
    EXPECT_EQ(removed.exitCode, 0) << removed.err;
    EXPECT_EQ(removed.out, "Uninstall" + kAllVersions + "\n");
    for (int major = 12; major <= 21; ++major) {
        SCOPED_TRACE(major);
        EXPECT_EQ(m_host.CurrentXml(major), m_host.OriginalXml(major));
        EXPECT_EQ(ReadFileBytes(Backup(m_host.WorkspacePath(major))), before[major]);
        EXPECT_FALSE(std::filesystem::exists(m_host.MacroFile(major)));
        EXPECT_TRUE(std::filesystem::is_directory(m_host.MacroFile(major).parent_path()));
    }
}

// A version is listed when it has a macro folder; a workspace without one is
// still edited, and a macro copy that fails is named, not reported as success.
TEST_F(HostRunTest, VersionsAreListedByTheirMacroFolderAndFailuresAreNamed)
{
    m_host.InstallVersion(16);
    m_host.InstallVersion(17, true, false);
    m_host.InstallVersion(18);
    m_host.InstallVersion(19, false, true);
    // The macro folder of 20 cannot be reached: no drive letter.
    m_host.SetValue("Software\\Corel\\CorelDRAW\\20.0\\Draw\\Application Preferences\\Directories", "EmbedObjDir",
                    "\\\\server\\share\\");
    m_host.WriteRegistry();
    auto partly = m_host.Run(true);
    EXPECT_EQ(partly.closingMessage, "Install CorelDraw X6 X8 2017 Success !\nInstall CorelDraw 2018 Failed !");
    EXPECT_TRUE(partly.failed);
    EXPECT_EQ(Occurrences(m_host.CurrentXml(17)), "1");
    EXPECT_EQ(ReadFileBytes(m_host.MacroFile(19)), HostFixture::kMacroBytes);

    std::filesystem::remove(m_host.ProgramFolder() / "Kerfmax.dll");
    auto cli = m_host.RunCli(true);
    EXPECT_EQ(cli.exitCode, 3);
    EXPECT_EQ(cli.out, "Install CorelDraw X6 X8 2017 2018 Failed !\n");
    EXPECT_NE(cli.err.find("Kerfmax.dll"), std::string::npos) << cli.err;
}

// A workspace path that is a folder, a package that is no zip archive, and
// packages without the archive tool: each is named as failed and stays as it was.
TEST_F(HostRunTest, WorkspacesThatCannotBeHandledStayUntouchedAndAreNamed)
{
    m_host.Install({15, 16, 18, 19});
    std::filesystem::remove(m_host.WorkspacePath(16));
    std::filesystem::create_directory(m_host.WorkspacePath(16));
    const std::string notZip = "this is not a zip archive";
    WriteFileBytes(m_host.WorkspacePath(19), notZip);
    const std::string package18 = ReadFileBytes(m_host.WorkspacePath(18));

    auto noTool = m_host.RunCli(true, {"PATH=/nonexistent"});
    EXPECT_EQ(noTool.exitCode, 3);
    EXPECT_EQ(noTool.out, "Install CorelDraw X5 Success !\nInstall CorelDraw X6 X8 2017 Failed !\n");
    EXPECT_EQ(ReadFileBytes(m_host.WorkspacePath(18)), package18);

    for (std::string lead : {"Install", "Uninstall"}) {
        auto report = m_host.Run(lead == "Install");
        EXPECT_EQ(report.closingMessage, lead + " CorelDraw X5 X8 Success !\n" + lead + " CorelDraw X6 2017 Failed !");
        EXPECT_EQ(report.problems.size(), 2u);
        EXPECT_TRUE(Has(report.problems, "Is a directory")) << testing::PrintToString(report.problems);
    }
    EXPECT_TRUE(std::filesystem::is_directory(m_host.WorkspacePath(16)));
    EXPECT_EQ(ReadFileBytes(m_host.WorkspacePath(19)), notZip);
    EXPECT_EQ(FolderListing(m_host.WorkspacePath(19).parent_path()), Strings{"Mine.cdws"});
}

TEST_F(HostRunTest, PackageWithLinksIsRefused)
{
    m_host.Install({18});
    // A package whose "content" folder is a link to a folder outside it.
    test::TempDir outside, stage;
    std::filesystem::create_directory_symlink(outside.Path(), stage / "content");
    WriteFileBytes(outside / "workspace.xml", m_host.OriginalXml(18));
    std::filesystem::remove(m_host.WorkspacePath(18));
    ASSERT_EQ(
        test::RunProgram({"7z", "a", "-tzip", "-snl", m_host.WorkspacePath(18).string(), (stage.Path() / "*").string()})
            .exitCode,
        0);
    const std::string package = ReadFileBytes(m_host.WorkspacePath(18));

    auto report = m_host.Run(true);
    EXPECT_EQ(report.closingMessage, "Install CorelDraw X8 Failed !");
    ASSERT_EQ(report.problems.size(), 1u);
    EXPECT_TRUE(Has(report.problems, "symbolic links")) << report.problems[0];
    EXPECT_EQ(ReadFileBytes(outside / "workspace.xml"), m_host.OriginalXml(18));
    EXPECT_FALSE(std::filesystem::exists(outside / "icons"));
    EXPECT_EQ(ReadFileBytes(m_host.WorkspacePath(18)), package);
}

// Plain ASCII text as UTF-16 little-endian with its byte-order mark.
std::string Utf16Le(const std::string& ascii)
{
    std::string out = "\xFF\xFE";
    for (char c : ascii) out += std::string{c, '\0'};
    return out;
}

TEST_F(HostRunTest, BytesNoConverterDefinesSurviveRegistrationAndRemoval)
{
    m_host.Install({15, 16});
    // windows-1252 leaves 0x81, 0x8D, 0x8F, 0x90 and 0x9D undefined; the file
    // has no white space between its elements.
    std::string flat = test::WithoutIndentation(m_host.OriginalXml(15));
    flat.replace(flat.find("utf-8"), 5, "windows-1252");
    flat.insert(flat.find("<uiConfig>"), "<!-- \x81\x8D\x8F\x90\x9D caf\xE9 -->");
    flat.insert(flat.find("A.B.C\"") + 6, " note=\"\x9D\x81\"");
    WriteFileBytes(m_host.WorkspacePath(15), flat);
    // UTF-16 with a lone surrogate in a comment and an odd byte at the end.
    std::string wide = Utf16Le(m_host.OriginalXml(16));
    const std::string comment = Utf16Le("<!--  -->").substr(2);
    wide.insert(wide.find(Utf16Le("<uiConfig>").substr(2)),
                comment.substr(0, 10) + std::string("\x00\xD8", 2) + comment.substr(10));
    wide += '\x07';
    WriteFileBytes(m_host.WorkspacePath(16), wide);

    ASSERT_FALSE(m_host.Run(true).failed);
    const std::string registered15 = ReadFileBytes(m_host.WorkspacePath(15));
    EXPECT_NE(registered15.find(kItem), std::string::npos);
    EXPECT_NE(registered15.find("<!-- \x81\x8D\x8F\x90\x9D caf\xE9 -->"), std::string::npos);
    EXPECT_GT(ReadFileBytes(m_host.WorkspacePath(16)).size(), wide.size());
    EXPECT_NE(ReadFileBytes(m_host.WorkspacePath(16)).find(Utf16Le(kItem).substr(2)), std::string::npos);

    ASSERT_FALSE(m_host.Run(false).failed);
    EXPECT_EQ(ReadFileBytes(m_host.WorkspacePath(15)), flat);
    EXPECT_EQ(ReadFileBytes(m_host.WorkspacePath(16)), wide);
}

// Workspaces kept elsewhere and linked in, with modes their owner chose.
TEST_F(HostRunTest, LinkedWorkspacesAreEditedThroughTheLinkWithTheirModeKept)
{
    m_host.Install({16, 18});
    test::TempDir elsewhere;
    const auto ownerOnly = std::filesystem::perms::owner_read | std::filesystem::perms::owner_write;
    for (int major : {16, 18}) {
        const auto real = elsewhere / std::to_string(major);
        std::filesystem::rename(m_host.WorkspacePath(major), real);
        std::filesystem::permissions(real, ownerOnly);
        std::filesystem::create_symlink(real, m_host.WorkspacePath(major));
    }
    ASSERT_FALSE(m_host.Run(true).failed);
    for (int major : {16, 18}) {
        SCOPED_TRACE(major);
        EXPECT_TRUE(std::filesystem::is_symlink(m_host.WorkspacePath(major)));
        EXPECT_EQ(std::filesystem::status(elsewhere / std::to_string(major)).permissions(), ownerOnly);
        EXPECT_EQ(Occurrences(m_host.CurrentXml(major)), "1");
    }
    EXPECT_EQ(FolderListing(elsewhere.Path()), (Strings{"16", "18"})) << "nothing left beside them";
}

// The pass is killed while 7-Zip repacks: its working folder and package copy
// stay behind. The next pass removes them, and nothing that only looks alike:
// a user's folder under the package's own name keeps what it holds.
TEST_F(HostRunTest, LeftoversOfAKilledPassAreRemovedByTheNextPass)
{
    m_host.Install({16, 18});
    const auto folder = m_host.WorkspacePath(18).parent_path();
    test::TempDir tools;
    // The repack kills the pass that started it; unpacking goes to the real 7z.
    WriteFileBytes(tools / "7z", "#!/bin/sh\n[ \"$1\" = a ] && kill -9 $PPID && exit 1\nPATH='" +
                                     std::string(std::getenv("PATH")) + "' exec 7z \"$@\"\n");
    std::filesystem::permissions(tools / "7z", std::filesystem::perms::owner_all);
    auto killed = m_host.RunCli(true, {"PATH=" + tools.Path().string() + ":" + std::getenv("PATH")});
    ASSERT_EQ(killed.exitCode, 128 + 9) << killed.out << killed.err;

    auto litter = FolderListing(folder);
    ASSERT_EQ(litter.size(), 4u);  // the package, its backup, the working folder and the copy being repacked
    EXPECT_EQ(litter[0].rfind(".Mine.cdws.kerfmax-tmp-", 0), 0u);
    EXPECT_EQ(litter[2], "Mine.cdws.kerfmax-work");
    // Names a pass never makes, and a link where a working folder could be.
    std::filesystem::create_directories(folder / "Mine" / "nested");
    WriteFileBytes(folder / "Mine" / "nested" / "keep.txt", "user data");
    std::filesystem::create_directory(folder / "Mine.cdws.kerfmax-workshop");
    WriteFileBytes(folder / ".Mine.cdws.tmp1-2", "user file");
    std::filesystem::create_directory_symlink(m_host.ProgramFolder(), folder / "Mine.cdws.kerfmax-work-2");

    auto report = m_host.Run(true);
    EXPECT_EQ(report.closingMessage, "Install CorelDraw X6 X8 Success !");
    EXPECT_EQ(FolderListing(folder), (Strings{".Mine.cdws.tmp1-2", "Mine", "Mine.cdws", "Mine.cdws.kerfmax-work-2",
                                              "Mine.cdws.kerfmax-workshop", "Mine.cdws.kerfmax.bak"}));
    EXPECT_EQ(ReadFileBytes(folder / "Mine" / "nested" / "keep.txt"), "user data");
    EXPECT_TRUE(std::filesystem::exists(m_host.ProgramFolder() / "Kerfmax.dll"));
    auto files = m_host.PackageFiles(18);
    EXPECT_EQ(Occurrences(files["content/workspace.xml"]), "1");
    EXPECT_EQ(files.count("nested/keep.txt"), 0u);
    EXPECT_EQ(Occurrences(m_host.CurrentXml(16)), "2") << "16 was done before the kill";
}

TEST_F(HostRunTest, NothingInstalledOrNothingToEditIsHandledQuietly)
{
    EXPECT_EQ(m_host.Run(true).closingMessage, "Please install CorelDraw reinstall it!");
    auto cli = m_host.RunCli(false);
    EXPECT_EQ(cli.exitCode, 0);
    EXPECT_EQ(cli.out, "Please install CorelDraw reinstall it!\n");

    // A folder value too short to name a file, and one naming a missing file.
    m_host.SetValue("Software\\Corel\\CorelDRAW\\13.0\\CorelDRAW", "LastWorkspaceUsed", "C:\\");
    m_host.InstallVersion(14, false, true);
    m_host.SetValue("Software\\Corel\\CorelDRAW\\14.0\\CorelDRAW", "LastWorkspaceUsed", "C:\\gone\\ws.cfg");
    m_host.WriteRegistry();
    EXPECT_EQ(m_host.Run(false).closingMessage, "Uninstall CorelDraw X4 Success !");  // nothing to remove
    EXPECT_EQ(m_host.Run(true).closingMessage, "Install CorelDraw X4 Failed !");  // nothing to add to
    EXPECT_FALSE(std::filesystem::exists(m_host.Prefix() / "drive_c/DRAWUIConfig.xml"));
    EXPECT_FALSE(std::filesystem::exists(m_host.Prefix() / "drive_c/gone"));
}

}  // namespace
}  // namespace kerfmax
