// Registration and removal runs against a Wine prefix with real workspace
// folders, real ".cdws" packages handled by the real 7z, and kerfmax-cli.
#include <gtest/gtest.h>

#include "HostFixture.h"
#include "WorkspaceFixtures.h"
#include "host/HostIdentifiers.h"

namespace kerfmax {
namespace {

using test::HostFixture;
using test::ReadFileBytes;
using test::WellFormed;
using test::WriteFileBytes;
using test::XPath;

const std::string kItem(ITEM_GUID);

std::string Occurrences(const std::string& xml) { return XPath(xml, "count(//*[@guid='" + kItem + "'])"); }

std::vector<std::string> FolderListing(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    for (auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class HostRunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!test::HaveProgram("7z") || !test::HaveProgram("xmllint")) GTEST_SKIP() << "needs 7z and xmllint";
    }
    HostFixture m_host;
};

TEST_F(HostRunTest, CliRegistersAndRemovesEveryVersion)
{
    m_host.Install({12, 13, 14, 15, 16, 17, 18, 19, 20, 21});

    auto registered = m_host.RunCli(true);
    EXPECT_EQ(registered.exitCode, 0) << registered.err;
    EXPECT_EQ(registered.out, "Install CorelDraw 12 X3 X4 X5 X6 X7 X8 2017 2018 2019 Success !\n");
    for (int major = 12; major <= 21; ++major) {
        SCOPED_TRACE(major);
        std::string xml = m_host.CurrentXml(major);
        EXPECT_TRUE(WellFormed(xml));
        EXPECT_EQ(Occurrences(xml), "1");
        EXPECT_EQ(ReadFileBytes(m_host.MacroFile(major)), HostFixture::kMacroBytes);
        if (major >= 17) {
            auto files = m_host.PackageFiles(major);
            for (std::string_view icon : kWorkspaceIconFiles)
                EXPECT_EQ(files["content/icons/" + std::string(icon)],
                          ReadFileBytes(m_host.ProgramFolder() / icon));
            EXPECT_EQ(files["content/other/notes.txt"], "host notes");
            EXPECT_EQ(files["top.txt"], "top level");
            EXPECT_EQ(files.size(), 6u);   // no second tree inside the package
            // Only the package and its one backup; the working folder is gone.
            EXPECT_EQ(FolderListing(m_host.WorkspacePath(major).parent_path()),
                      (std::vector<std::string>{"Mine.cdws", "Mine.cdws.kerfmax.bak"}));
        }
    }
    // Our shipped files stay for the next registration.
    for (std::string_view icon : kWorkspaceIconFiles)
        EXPECT_TRUE(std::filesystem::exists(m_host.ProgramFolder() / icon));

    auto removed = m_host.RunCli(false);
    EXPECT_EQ(removed.exitCode, 0) << removed.err;
    EXPECT_EQ(removed.out, "Uninstall CorelDraw 12 X3 X4 X5 X6 X7 X8 2017 2018 2019 Success !\n");
    for (int major = 12; major <= 21; ++major) {
        SCOPED_TRACE(major);
        EXPECT_EQ(m_host.CurrentXml(major), m_host.OriginalXml(major));
        EXPECT_FALSE(std::filesystem::exists(m_host.MacroFile(major)));
        EXPECT_TRUE(std::filesystem::is_directory(m_host.MacroFile(major).parent_path()));
    }
}

TEST_F(HostRunTest, RegisterTwiceRemoveOnceRestoresTheWorkspaces)
{
    m_host.Install({16, 18});
    m_host.Run(true);
    auto second = m_host.Run(true);
    EXPECT_EQ(second.closingMessage, "Install CorelDraw X6 X8 Success !");
    for (int major : {16, 18}) EXPECT_EQ(Occurrences(m_host.CurrentXml(major)), "2") << major;

    EXPECT_FALSE(m_host.Run(false).failed);
    for (int major : {16, 18}) EXPECT_EQ(m_host.CurrentXml(major), m_host.OriginalXml(major)) << major;
    // The backup is the file as it was before the first edit.
    auto backup = m_host.WorkspacePath(16);
    backup += ".kerfmax.bak";
    EXPECT_EQ(ReadFileBytes(backup), m_host.OriginalXml(16));
}

TEST_F(HostRunTest, WorkspaceWithoutUserFolderIsEditedButNotListed)
{
    m_host.InstallVersion(17, true, false);
    m_host.InstallVersion(19, false, true);
    m_host.WriteRegistry();
    auto report = m_host.Run(true);
    EXPECT_EQ(report.closingMessage, "Install CorelDraw 2017 Success !");
    EXPECT_EQ(Occurrences(m_host.CurrentXml(17)), "1");
    EXPECT_EQ(ReadFileBytes(m_host.MacroFile(19)), HostFixture::kMacroBytes);
}

TEST_F(HostRunTest, FailedMacroCopyIsNamedNotReportedAsSuccess)
{
    m_host.InstallVersion(16);
    m_host.InstallVersion(18);
    // The macro folder of 20 cannot be reached: no drive letter.
    m_host.SetValue("Software\\Corel\\CorelDRAW\\20.0\\Draw\\Application Preferences\\Directories", "EmbedObjDir",
                    "\\\\server\\share\\");
    m_host.WriteRegistry();
    auto partly = m_host.Run(true);
    EXPECT_EQ(partly.closingMessage, "Install CorelDraw X6 X8 Success !\nInstall CorelDraw 2018 Failed !");
    EXPECT_TRUE(partly.failed);

    std::filesystem::remove(m_host.ProgramFolder() / "Kerfmax.dll");
    auto cli = m_host.RunCli(true);
    EXPECT_EQ(cli.exitCode, 3);
    EXPECT_EQ(cli.out, "Install CorelDraw X6 X8 2018 Failed !\n");
    EXPECT_NE(cli.err.find("Kerfmax.dll"), std::string::npos) << cli.err;
}

TEST_F(HostRunTest, ExistingFolderUnderTheWorkingNameIsLeftAlone)
{
    m_host.Install({18});
    auto occupied = m_host.WorkspacePath(18).parent_path() / "Mine";
    std::filesystem::create_directories(occupied / "nested");
    WriteFileBytes(occupied / "nested" / "keep.txt", "user data");

    auto report = m_host.Run(true);
    EXPECT_FALSE(report.failed);
    EXPECT_EQ(ReadFileBytes(occupied / "nested" / "keep.txt"), "user data");
    EXPECT_EQ(FolderListing(occupied.parent_path()),
              (std::vector<std::string>{"Mine", "Mine.cdws", "Mine.cdws.kerfmax.bak"}));
    EXPECT_EQ(Occurrences(m_host.CurrentXml(18)), "1");
    EXPECT_EQ(m_host.PackageFiles(18).count("nested/keep.txt"), 0u);
}

TEST_F(HostRunTest, PackageThatCannotBeHandledStaysUntouched)
{
    m_host.Install({18, 19});
    const std::string notZip = "this is not a zip archive";
    WriteFileBytes(m_host.WorkspacePath(19), notZip);
    const std::string package18 = ReadFileBytes(m_host.WorkspacePath(18));

    // Without the archive tool nothing can be unpacked.
    auto noTool = m_host.RunCli(true, {"PATH=/nonexistent"});
    EXPECT_EQ(noTool.exitCode, 3);
    EXPECT_EQ(noTool.out, "Install CorelDraw X8 2017 Failed !\n");
    EXPECT_EQ(ReadFileBytes(m_host.WorkspacePath(18)), package18);

    auto report = m_host.Run(true);
    EXPECT_EQ(report.closingMessage, "Install CorelDraw X8 Success !\nInstall CorelDraw 2017 Failed !");
    EXPECT_EQ(ReadFileBytes(m_host.WorkspacePath(19)), notZip);
    EXPECT_EQ(FolderListing(m_host.WorkspacePath(19).parent_path()), (std::vector<std::string>{"Mine.cdws"}));
}

TEST_F(HostRunTest, PackageWithLinksIsRefused)
{
    m_host.Install({18});
    // A package whose "content" folder is a link to a folder outside it.
    test::TempDir outside, stage;
    std::filesystem::create_directory_symlink(outside.Path(), stage / "content");
    WriteFileBytes(outside / "workspace.xml", m_host.OriginalXml(18));
    std::filesystem::remove(m_host.WorkspacePath(18));
    ASSERT_EQ(test::RunProgram({"7z", "a", "-tzip", "-snl", m_host.WorkspacePath(18).string(),
                                (stage.Path() / "*").string()})
                  .exitCode,
              0);
    const std::string package = ReadFileBytes(m_host.WorkspacePath(18));

    auto report = m_host.Run(true);
    EXPECT_EQ(report.closingMessage, "Install CorelDraw X8 Failed !");
    ASSERT_EQ(report.problems.size(), 1u);
    EXPECT_NE(report.problems[0].find("symbolic links"), std::string::npos) << report.problems[0];
    EXPECT_EQ(ReadFileBytes(outside / "workspace.xml"), m_host.OriginalXml(18));
    EXPECT_FALSE(std::filesystem::exists(outside / "icons"));
    EXPECT_EQ(ReadFileBytes(m_host.WorkspacePath(18)), package);
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
    EXPECT_EQ(m_host.Run(false).closingMessage, "Uninstall CorelDraw X4 Success !");   // nothing to remove
    EXPECT_EQ(m_host.Run(true).closingMessage, "Install CorelDraw X4 Failed !");       // nothing to add to
    EXPECT_FALSE(std::filesystem::exists(m_host.Prefix() / "drive_c/DRAWUIConfig.xml"));
    EXPECT_FALSE(std::filesystem::exists(m_host.Prefix() / "drive_c/gone"));
}

}  // namespace
}  // namespace kerfmax
