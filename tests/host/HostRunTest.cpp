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
    // A second registration (which needs our shipped files still there) adds a
    // second copy and keeps the first backup.
    EXPECT_EQ(m_host.Run(true).closingMessage, "Install" + kAllVersions);
    for (int major : {16, 18}) EXPECT_EQ(Occurrences(m_host.CurrentXml(major)), "2") << major;

    auto removed = m_host.RunCli(false);
    EXPECT_EQ(removed.exitCode, 0) << removed.err;
    EXPECT_EQ(removed.out, "Uninstall" + kAllVersions + "\n");
    for (int major = 12; major <= 21; ++major) {
        SCOPED_TRACE(major);
        EXPECT_EQ(m_host.CurrentXml(major), m_host.OriginalXml(major));
        EXPECT_EQ(ReadFileBytes(m_host.WorkspacePath(major).string() + ".kerfmax.bak"), before[major]);
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

// A workspace path that is a folder, a package that is no zip archive, one
// whose "content" folder is a link to a folder outside it, and packages
// without the archive tool: each is named as failed and stays as it was.
TEST_F(HostRunTest, WorkspacesThatCannotBeHandledStayUntouchedAndAreNamed)
{
    m_host.Install({15, 16, 18, 19});
    std::filesystem::remove(m_host.WorkspacePath(16));
    std::filesystem::create_directory(m_host.WorkspacePath(16));
    const std::string notZip = "this is not a zip archive";
    WriteFileBytes(m_host.WorkspacePath(19), notZip);
    test::TempDir outside, stage;
    std::filesystem::create_directory_symlink(outside.Path(), stage / "content");
    WriteFileBytes(outside / "workspace.xml", m_host.OriginalXml(18));
    std::filesystem::remove(m_host.WorkspacePath(18));
    ASSERT_EQ(
        test::RunProgram({"7z", "a", "-tzip", "-snl", m_host.WorkspacePath(18).string(), (stage.Path() / "*").string()})
            .exitCode,
        0);
    const std::string package18 = ReadFileBytes(m_host.WorkspacePath(18));

    auto noTool = m_host.RunCli(true, {"PATH=/nonexistent"});
    EXPECT_EQ(noTool.exitCode, 3);
    EXPECT_EQ(noTool.out, "Install CorelDraw X5 Success !\nInstall CorelDraw X6 X8 2017 Failed !\n");

    for (std::string lead : {"Install", "Uninstall"}) {
        auto report = m_host.Run(lead == "Install");
        EXPECT_EQ(report.closingMessage, lead + " CorelDraw X5 Success !\n" + lead + " CorelDraw X6 X8 2017 Failed !");
        EXPECT_EQ(report.problems.size(), 3u);
        for (const char* reason : {"Is a directory", "symbolic links"})
            EXPECT_TRUE(Has(report.problems, reason)) << testing::PrintToString(report.problems);
    }
    EXPECT_TRUE(std::filesystem::is_directory(m_host.WorkspacePath(16)));
    EXPECT_EQ(ReadFileBytes(m_host.WorkspacePath(19)), notZip);
    EXPECT_EQ(FolderListing(m_host.WorkspacePath(19).parent_path()), Strings{"Mine.cdws"});
    EXPECT_EQ(ReadFileBytes(m_host.WorkspacePath(18)), package18);
    EXPECT_EQ(FolderListing(outside.Path()), Strings{"workspace.xml"});
    EXPECT_EQ(ReadFileBytes(outside / "workspace.xml"), m_host.OriginalXml(18));
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

TEST_F(HostRunTest, NothingInstalledIsSaidAndIsNoFailure)
{
    EXPECT_EQ(m_host.Run(true).closingMessage, "Please install CorelDraw reinstall it!");
    auto cli = m_host.RunCli(false);
    EXPECT_EQ(cli.exitCode, 0);
    EXPECT_EQ(cli.out, "Please install CorelDraw reinstall it!\n");
}

}  // namespace
}  // namespace kerfmax
