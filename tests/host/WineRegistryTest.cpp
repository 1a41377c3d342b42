// The Wine prefix registry: the user.reg text format as Wine writes it, and
// the mapping of the prefix's Windows paths to Linux paths.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "../app/ScopedEnvironment.h"
#include "platform/Registry.h"
#include "support/TestSupport.h"

namespace kerfmax {
namespace {

constexpr char kKey[] = "Software\\Corel\\CorelDRAW\\16.0\\Draw";
constexpr char kHeader[] = "WINE REGISTRY Version 2\n";

// One line of the file a line.
// clang-format off
const std::string kUserReg = std::string(kHeader) +
    ";; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n\n#arch=win64\n\n"
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
    "\"Fits\"=\"" + std::string(kRegistryValueBufferSize - 1, 'a') + "\"\n"
    "\"Long\"=\"" + std::string(kRegistryValueBufferSize, 'b') + "\"\n"
    "\"Broken\"=\"never closed\n"
    "\"After\"=\"still read\"\r\n"
    "\n"
    "[Software\\\\Other] 1700000001\n"
    "\"LastWorkspaceUsed\"=\"other key\"\n";
// clang-format on

class WineRegistryTest : public ::testing::Test {
protected:
    std::unique_ptr<Registry> Open(const std::string& userReg)
    {
        test::WriteFileBytes(m_prefix / "user.reg", userReg);
        return OpenWinePrefixRegistry(m_prefix.Path());
    }
    test::TempDir m_prefix;
};

// The current user's registry is the one of the prefix WINEPREFIX names.
TEST_F(WineRegistryTest, ReadsEveryValueKindAsTextAndMapsWindowsPathsIntoThePrefix)
{
    std::filesystem::create_directories(m_prefix / "drive_c/users/Me/Work");
    Open(kUserReg);
    test::ScopedEnvironment env;
    env.Set("WINEPREFIX", m_prefix.Path().string());
    auto registry = OpenCurrentUserRegistry();
    EXPECT_EQ(registry->LoadProblem(), "");
    const std::pair<const char*, std::optional<std::string>> cases[] = {
        {"LastWorkspaceUsed", "C:\\users\\me\\My Space.cdw"},
        {"lastworkspaceused", "C:\\users\\me\\My Space.cdw"},
        {"Quote", "say \"hi\"\nnext"},
        {"Unicode", "caf\xC3\xA9 \xE4\xB8\xAD \xF0\x9F\x98\x80"},
        {"Expand", "%USERPROFILE%\\x"},  // never expanded
        {"Number", "A"},  // the dword's bytes up to a zero
        {"Bin", "ABC"},
        {"", "default text"},
        {"HexText", "C:\\a"},  // continued over two lines
        {"Fits", std::string(kRegistryValueBufferSize - 1, 'a')},
        {"Long", std::nullopt},  // does not fit the buffer
        {"Broken", std::nullopt},
        {"After", "still read"},
        {"NoSuchValue", std::nullopt}};
    for (const auto& [name, value] : cases) EXPECT_EQ(registry->ReadString(kKey, name), value) << name;
    EXPECT_EQ(registry->ReadString("SOFTWARE\\corel\\CorelDraw\\16.0\\DRAW\\", "Bin"), "ABC");
    EXPECT_EQ(registry->ReadString("Software\\Corel\\CorelDRAW\\16.0", "LastWorkspaceUsed"), std::nullopt);
    EXPECT_EQ(registry->ReadString("Software\\Other", "LastWorkspaceUsed"), "other key");

    // Existing components are found whatever their case; new ones keep theirs.
    EXPECT_EQ(registry->ToLocalPath("C:\\USERS\\me\\work\\New.xml"), m_prefix / "drive_c/users/Me/Work/New.xml");
    EXPECT_EQ(registry->ToLocalPath("c:/users/me"), m_prefix / "drive_c/users/Me");
    EXPECT_EQ(registry->ToLocalPath("D:\\data\\x.cdws"), m_prefix / "dosdevices/d:/data/x.cdws");
    // ".." stops at the drive's root, as on Windows.
    EXPECT_EQ(registry->ToLocalPath("C:\\..\\..\\etc\\passwd"), m_prefix / "drive_c/etc/passwd");
    EXPECT_EQ(registry->ToLocalPath("\\\\server\\share\\x"), std::nullopt);
    EXPECT_EQ(registry->ToLocalPath("relative\\x"), std::nullopt);
}

TEST_F(WineRegistryTest, MissingForeignOrDamagedFilesAreReadWithoutHarm)
{
    auto missing = OpenWinePrefixRegistry(m_prefix.Path());
    EXPECT_NE(missing->LoadProblem(), "");
    EXPECT_EQ(missing->ReadString(kKey, "LastWorkspaceUsed"), std::nullopt);

    auto foreign = Open("REGEDIT4\n" + kUserReg.substr(std::strlen(kHeader)));
    EXPECT_NE(foreign->LoadProblem(), "");
    EXPECT_EQ(foreign->ReadString(kKey, "LastWorkspaceUsed"), std::nullopt);

    // Cut and mutated copies of a valid file: every prefix and random byte flips.
    std::mt19937 random(7);
    for (int round = 0; round < 300; ++round) {
        std::string damaged = kUserReg.substr(0, random() % (kUserReg.size() + 1));
        for (int flips = random() % 8; flips > 0 && !damaged.empty(); --flips)
            damaged[random() % damaged.size()] = static_cast<char>(random() % 256);
        auto registry = Open(damaged);
        registry->ReadString(kKey, "LastWorkspaceUsed");
        registry->ReadString(kKey, "HexText");
    }
}

}  // namespace
}  // namespace kerfmax
