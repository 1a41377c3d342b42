// The Wine prefix registry: the user.reg text format as Wine writes it, and
// the mapping of the prefix's Windows paths to Linux paths.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>

#include "platform/Registry.h"
#include "support/TestSupport.h"

namespace kerfmax {
namespace {

using test::TempDir;
using test::WriteFileBytes;

constexpr char kKey[] = "Software\\Corel\\CorelDRAW\\16.0\\Draw";

const char kUserReg[] =
    "WINE REGISTRY Version 2\n"
    ";; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n"
    "\n"
    "#arch=win64\n"
    "\n"
    "[Software\\\\Corel\\\\CorelDRAW\\\\16.0\\\\Draw] 1700000000\n"
    "#time=1d9d1a2b3c4d5e6\n"
    "\"LastWorkspaceUsed\"=\"C:\\\\users\\\\me\\\\My Space.cdw\"\n"
    "\"Quote\"=\"say \\\"hi\\\"\\nnext\"\n"
    "\"Unicode\"=\"caf\\xe9 \\x4e2d \\xd83d\\xde00\"\n"
    "\"Expand\"=str(2):\"%USERPROFILE%\\\\x\"\n"
    "\"Number\"=dword:00000041\n"
    "\"Bin\"=hex:41,42,43,00,44\n"
    "@=\"default text\"\n"
    "\"HexText\"=hex(2):43,00,3a,00,5c,00,\\\n"
    "  61,00,00,00\n"
    "\"Broken\"=\"never closed\n"
    "\"After\"=\"still read\"\r\n"
    "\n"
    "[Software\\\\Other] 1700000001\n"
    "\"LastWorkspaceUsed\"=\"other key\"\n";

class WineRegistryTest : public ::testing::Test {
protected:
    void WriteUserReg(const std::string& text) { WriteFileBytes(m_prefix / "user.reg", text); }
    std::unique_ptr<Registry> Open() { return OpenWinePrefixRegistry(m_prefix.Path()); }
    TempDir m_prefix;
};

TEST_F(WineRegistryTest, ReadsEveryValueKindAsText)
{
    WriteUserReg(kUserReg);
    auto registry = Open();
    EXPECT_EQ(registry->LoadProblem(), "");
    EXPECT_EQ(registry->ReadString(kKey, "LastWorkspaceUsed"), "C:\\users\\me\\My Space.cdw");
    EXPECT_EQ(registry->ReadString(kKey, "Quote"), "say \"hi\"\nnext");
    EXPECT_EQ(registry->ReadString(kKey, "Unicode"), "caf\xC3\xA9 \xE4\xB8\xAD \xF0\x9F\x98\x80");
    EXPECT_EQ(registry->ReadString(kKey, "Expand"), "%USERPROFILE%\\x");   // never expanded
    EXPECT_EQ(registry->ReadString(kKey, "Number"), "A");                  // the dword's bytes up to a zero
    EXPECT_EQ(registry->ReadString(kKey, "Bin"), "ABC");
    EXPECT_EQ(registry->ReadString(kKey, ""), "default text");
    EXPECT_EQ(registry->ReadString(kKey, "HexText"), "C:\\a");             // continued over two lines
    EXPECT_EQ(registry->ReadString(kKey, "Broken"), std::nullopt);
    EXPECT_EQ(registry->ReadString(kKey, "After"), "still read");
    EXPECT_EQ(registry->ReadString("Software\\Other", "LastWorkspaceUsed"), "other key");
}

TEST_F(WineRegistryTest, NamesMatchWithoutRegardToCase)
{
    WriteUserReg(kUserReg);
    auto registry = Open();
    EXPECT_EQ(registry->ReadString("SOFTWARE\\corel\\CorelDraw\\16.0\\DRAW\\", "lastworkspaceused"),
              "C:\\users\\me\\My Space.cdw");
    EXPECT_EQ(registry->ReadString("Software\\Corel\\CorelDRAW\\16.0", "LastWorkspaceUsed"), std::nullopt);
    EXPECT_EQ(registry->ReadString(kKey, "NoSuchValue"), std::nullopt);
}

TEST_F(WineRegistryTest, ValueMustFitTheBuffer)
{
    std::string fits(kRegistryValueBufferSize - 1, 'a');
    std::string tooLong(kRegistryValueBufferSize, 'b');
    WriteUserReg(std::string("WINE REGISTRY Version 2\n[K]\n\"Fits\"=\"") + fits + "\"\n\"Long\"=\"" + tooLong +
                 "\"\n");
    auto registry = Open();
    EXPECT_EQ(registry->ReadString("K", "Fits"), fits);
    EXPECT_EQ(registry->ReadString("K", "Long"), std::nullopt);
}

TEST_F(WineRegistryTest, MissingOrForeignFileHoldsNoKeys)
{
    auto missing = Open();
    EXPECT_NE(missing->LoadProblem(), "");
    EXPECT_EQ(missing->ReadString(kKey, "LastWorkspaceUsed"), std::nullopt);

    WriteUserReg(std::string("REGEDIT4\n") + (kUserReg + std::strlen("WINE REGISTRY Version 2\n")));
    auto foreign = Open();
    EXPECT_NE(foreign->LoadProblem(), "");
    EXPECT_EQ(foreign->ReadString(kKey, "LastWorkspaceUsed"), std::nullopt);
}

TEST_F(WineRegistryTest, MapsDrivesIntoThePrefix)
{
    WriteUserReg(kUserReg);
    std::filesystem::create_directories(m_prefix / "drive_c/users/Me/Work");
    auto registry = Open();
    // Existing components are found whatever their case; new ones keep theirs.
    EXPECT_EQ(registry->ToLocalPath("C:\\USERS\\me\\work\\New.xml"), m_prefix / "drive_c/users/Me/Work/New.xml");
    EXPECT_EQ(registry->ToLocalPath("c:/users/me"), m_prefix / "drive_c/users/Me");
    EXPECT_EQ(registry->ToLocalPath("D:\\data\\x.cdws"), m_prefix / "dosdevices/d:/data/x.cdws");
    // ".." stops at the drive's root, as on Windows.
    EXPECT_EQ(registry->ToLocalPath("C:\\..\\..\\etc\\passwd"), m_prefix / "drive_c/etc/passwd");
    EXPECT_EQ(registry->ToLocalPath("\\\\server\\share\\x"), std::nullopt);
    EXPECT_EQ(registry->ToLocalPath("relative\\x"), std::nullopt);
}

TEST_F(WineRegistryTest, DamagedFilesAreReadWithoutHarm)
{
    // Cut and mutated copies of a valid file: every prefix and random byte flips.
    std::mt19937 random(7);
    const std::string valid = kUserReg;
    for (int round = 0; round < 300; ++round) {
        std::string damaged = valid.substr(0, random() % (valid.size() + 1));
        for (int flips = random() % 8; flips > 0 && !damaged.empty(); --flips)
            damaged[random() % damaged.size()] = static_cast<char>(random() % 256);
        WriteUserReg(damaged);
        auto registry = Open();
        registry->ReadString(kKey, "LastWorkspaceUsed");
        registry->ReadString(kKey, "HexText");
    }
}

TEST_F(WineRegistryTest, CurrentUserRegistryFollowsWinePrefix)
{
    WriteUserReg(kUserReg);
    const char* saved = std::getenv("WINEPREFIX");
    std::string savedValue = saved ? saved : "";
    ::setenv("WINEPREFIX", m_prefix.Path().c_str(), 1);
    auto registry = OpenCurrentUserRegistry();
    if (saved) ::setenv("WINEPREFIX", savedValue.c_str(), 1);
    else ::unsetenv("WINEPREFIX");
    EXPECT_EQ(registry->ReadString(kKey, "Bin"), "ABC");
}

}  // namespace
}  // namespace kerfmax
