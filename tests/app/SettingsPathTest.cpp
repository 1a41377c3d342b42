#include "app/SettingsPath.h"

#include <gtest/gtest.h>

#include "platform/UserFolders.h"
#include "ScopedEnvironment.h"
#include "support/TestSupport.h"

namespace kerfmax {
namespace {

class SettingsPathTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_env.Set("HOME", Home().string());
        m_env.Clear("XDG_DOCUMENTS_DIR");
        m_env.Clear("XDG_CONFIG_HOME");
    }
    std::filesystem::path Home() const { return m_dir / "home"; }
    static void WriteUserDirs(const std::filesystem::path& folder, const std::string& text)
    {
        std::filesystem::create_directories(folder);
        test::WriteFileBytes(folder / "user-dirs.dirs", text);
    }

    test::TempDir m_dir;
    test::ScopedEnvironment m_env;
};

TEST_F(SettingsPathTest, WithoutUserDirsTheFileIsInHomeDocumentsAndItsFolderIsMade)
{
    std::filesystem::path settings = SettingsFilePath();
    EXPECT_EQ(settings, Home() / "Documents" / "Kerfmax" / "Kerfmax.ini");
    EXPECT_TRUE(std::filesystem::is_directory(settings.parent_path()));
    EXPECT_FALSE(std::filesystem::exists(settings));   // the first read makes the file
    EXPECT_EQ(SettingsFilePathIn({}), std::filesystem::path());
}

TEST_F(SettingsPathTest, DocumentsFolderFromEnvironmentThenUserDirsFile)
{
    WriteUserDirs(Home() / ".config",
                  "# xdg\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\nXDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n");
    EXPECT_EQ(DocumentsFolder(), Home() / "Dokumente");
    m_env.Set("XDG_DOCUMENTS_DIR", "${HOME}/Papers");
    EXPECT_EQ(DocumentsFolder(), Home() / "Papers");
    m_env.Set("XDG_DOCUMENTS_DIR", "relative/path");   // not usable: the file decides
    EXPECT_EQ(DocumentsFolder(), Home() / "Dokumente");

    WriteUserDirs(m_dir / "config", "XDG_DOCUMENTS_DIR=\"/srv/docs\"\n");
    m_env.Set("XDG_CONFIG_HOME", (m_dir / "config").string());
    EXPECT_EQ(DocumentsFolder(), "/srv/docs");
}

TEST_F(SettingsPathTest, TemporaryAndProgramFoldersEndWithASeparator)
{
    m_env.Set("TMPDIR", "/var/tmp");
    EXPECT_EQ(TemporaryFolder().string(), "/var/tmp/");
    m_env.Clear("TMPDIR");
    EXPECT_EQ(TemporaryFolder().string(), "/tmp/");
    EXPECT_TRUE(std::filesystem::exists(ProgramFolder().string() + "kerfmax_tests_app"));
}

}  // namespace
}  // namespace kerfmax
