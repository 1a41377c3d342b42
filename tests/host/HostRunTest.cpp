// Registration and removal runs against a Wine prefix with real workspace
// folders, real ".cdws" packages handled by the real 7z, and kerfmax-cli.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

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

std::string Occurrences(const std::string& xml)
{
    return XPath(xml, "count(//*[@guid='" + kItem + "'])");
}

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
                EXPECT_EQ(files["content/icons/" + std::string(icon)], ReadFileBytes(m_host.ProgramFolder() / icon));
            EXPECT_EQ(files["content/other/notes.txt"], "host notes");
            EXPECT_EQ(files["top.txt"], "top level");
            EXPECT_EQ(files.size(), 6u);  // no second tree inside the package
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
    ASSERT_EQ(
        test::RunProgram({"7z", "a", "-tzip", "-snl", m_host.WorkspacePath(18).string(), (stage.Path() / "*").string()})
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

TEST_F(HostRunTest, WorkspacePathThatIsAFolderIsNamedAsFailed)
{
    m_host.Install({16, 17});
    std::filesystem::remove(m_host.WorkspacePath(16));
    std::filesystem::create_directory(m_host.WorkspacePath(16));
    for (bool install : {true, false}) {
        auto report = m_host.Run(install);
        EXPECT_EQ(report.closingMessage, std::string(install ? "Install" : "Uninstall") + " CorelDraw X7 Success !\n" +
                                             (install ? "Install" : "Uninstall") + " CorelDraw X6 Failed !");
        ASSERT_EQ(report.problems.size(), 1u);
        EXPECT_NE(report.problems[0].find("Is a directory"), std::string::npos) << report.problems[0];
    }
    EXPECT_TRUE(std::filesystem::is_directory(m_host.WorkspacePath(16)));
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
    EXPECT_EQ(FolderListing(elsewhere.Path()), (std::vector<std::string>{"16", "18"})) << "nothing left beside them";
}

// The pass is killed while 7-Zip repacks: its working folder and package copy
// stay behind. The next pass removes them, and nothing that only looks alike.
TEST_F(HostRunTest, LeftoversOfAKilledPassAreRemovedByTheNextPass)
{
    m_host.Install({16, 18});
    const auto folder = m_host.WorkspacePath(18).parent_path();
    test::TempDir tools;
    const auto pidFile = tools / "stalled.pid";
    WriteFileBytes(tools / "7z", "#!/bin/sh\nif [ \"$1\" = a ]; then echo $$ > '" + pidFile.string() +
                                     "'; exec sleep 120; fi\nexec \"$REAL_7Z\" \"$@\"\n");
    std::filesystem::permissions(tools / "7z", std::filesystem::perms::owner_all);
    const std::string real7z = test::RunProgram({"sh", "-c", "command -v 7z"}).out;

    const pid_t cli = ::fork();
    ASSERT_GE(cli, 0);
    if (cli == 0) {
        ::setenv("PATH", (tools.Path().string() + ":" + std::getenv("PATH")).c_str(), 1);
        ::setenv("REAL_7Z", real7z.substr(0, real7z.find('\n')).c_str(), 1);
        ::setenv("WINEPREFIX", m_host.Prefix().c_str(), 1);
        int devNull = ::open("/dev/null", O_RDWR);
        ::dup2(devNull, 0), ::dup2(devNull, 1), ::dup2(devNull, 2);
        ::execl(KERFMAX_CLI_PATH, KERFMAX_CLI_PATH, "register", "--program-folder", m_host.ProgramFolder().c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    for (int i = 0; i < 400 && !std::filesystem::exists(pidFile); ++i) ::usleep(50000);
    std::string stalled = ReadFileBytes(pidFile);
    ::kill(cli, SIGKILL);
    int status = 0;
    ::waitpid(cli, &status, 0);
    ASSERT_FALSE(stalled.empty()) << "the pass never reached the repack";
    ::kill(std::stoi(stalled), SIGKILL);

    auto litter = FolderListing(folder);
    ASSERT_EQ(litter.size(), 4u);  // the package, its backup, the working folder and the copy being repacked
    EXPECT_EQ(litter[0].rfind(".Mine.cdws.kerfmax-tmp-", 0), 0u);
    EXPECT_EQ(litter[2], "Mine.cdws.kerfmax-work");
    // Names a pass never makes, and a link where a working folder could be.
    std::filesystem::create_directory(folder / "Mine.cdws.kerfmax-workshop");
    WriteFileBytes(folder / ".Mine.cdws.tmp1-2", "user file");
    std::filesystem::create_directory_symlink(m_host.ProgramFolder(), folder / "Mine.cdws.kerfmax-work-2");

    auto report = m_host.Run(true);
    EXPECT_EQ(report.closingMessage, "Install CorelDraw X6 X8 Success !");
    EXPECT_EQ(FolderListing(folder),
              (std::vector<std::string>{".Mine.cdws.tmp1-2", "Mine.cdws", "Mine.cdws.kerfmax-work-2",
                                        "Mine.cdws.kerfmax-workshop", "Mine.cdws.kerfmax.bak"}));
    EXPECT_TRUE(std::filesystem::exists(m_host.ProgramFolder() / "Kerfmax.dll"));
    EXPECT_EQ(Occurrences(m_host.CurrentXml(18)), "1");
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
