// The real registry through the Registry service: values written under
// HKEY_CURRENT_USER\Software\KerfmaxTest by the test and read back.
#include <gtest/gtest.h>

#include <string>

#include "platform/Registry.h"
#include "platform/PathText.h"
#include "platform/win32/Win32Text.h"

namespace kerfmax {
namespace {

class RegistryWin32Test : public ::testing::Test {
protected:
    // A key of its own per test, removed with everything below it.
    void SetUp() override
    {
        m_keyPath =
            "Software\\KerfmaxTest\\" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name());
        ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, win32::Utf8ToWide(m_keyPath).c_str(), 0, nullptr, 0,
                                    KEY_ALL_ACCESS, nullptr, &m_key, nullptr),
                  ERROR_SUCCESS);
    }
    void TearDown() override
    {
        if (m_key) ::RegCloseKey(m_key);
        ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\KerfmaxTest");
    }
    void SetText(const std::string& name, const std::string& value, DWORD type = REG_SZ)
    {
        const std::wstring wide = win32::Utf8ToWide(value);
        ASSERT_EQ(::RegSetValueExW(m_key, win32::Utf8ToWide(name).c_str(), 0, type,
                                   reinterpret_cast<const BYTE*>(wide.c_str()),
                                   static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
    }

    std::string m_keyPath;
    HKEY m_key = nullptr;
};

TEST_F(RegistryWin32Test, ReadsTextValuesWithCaseFreeNamesAndChineseText)
{
    SetText("LastCorelWorkspaceUsed", "C:\\Users\\me\\Workspace\\我的.cdws");
    SetText("", "default");
    SetText("EmbedObjDir", "%USERPROFILE%\\Corel\\", REG_EXPAND_SZ);
    auto registry = OpenCurrentUserRegistry();
    EXPECT_EQ(registry->LoadProblem(), "");
    EXPECT_EQ(registry->ReadString(m_keyPath, "lastcorelworkspaceused"), "C:\\Users\\me\\Workspace\\我的.cdws");
    EXPECT_EQ(registry->ReadString("SOFTWARE\\kerfmaxtest\\" + m_keyPath.substr(21), "LastCorelWorkspaceUsed"),
              "C:\\Users\\me\\Workspace\\我的.cdws");
    EXPECT_EQ(registry->ReadString(m_keyPath, ""), "default");
    // Taken as stored: the host's readers do not expand it either.
    EXPECT_EQ(registry->ReadString(m_keyPath, "EmbedObjDir"), "%USERPROFILE%\\Corel\\");
}

TEST_F(RegistryWin32Test, MissingKeysValuesAndValuesBeyondTheBufferAreAbsent)
{
    SetText("Fits", std::string(kRegistryValueBufferSize - 1, 'a'));
    SetText("TooLong", std::string(kRegistryValueBufferSize, 'a'));
    auto registry = OpenCurrentUserRegistry();
    EXPECT_EQ(registry->ReadString(m_keyPath, "Fits"), std::string(kRegistryValueBufferSize - 1, 'a'));
    EXPECT_EQ(registry->ReadString(m_keyPath, "TooLong"), std::nullopt);
    EXPECT_EQ(registry->ReadString(m_keyPath, "Missing"), std::nullopt);
    EXPECT_EQ(registry->ReadString(m_keyPath + "\\Nowhere", "Fits"), std::nullopt);
}

TEST_F(RegistryWin32Test, NumbersReadAsTheirBytesUpToTheFirstZero)
{
    const DWORD number = 0x00434241;  // "ABC" then a zero byte
    ASSERT_EQ(::RegSetValueExW(m_key, L"Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number),
              ERROR_SUCCESS);
    EXPECT_EQ(OpenCurrentUserRegistry()->ReadString(m_keyPath, "Number"), "ABC");
}

TEST(RegistryWin32Paths, StoredPathsAreThisSystemsOwnAndRelativeOnesAreRefused)
{
    auto registry = OpenCurrentUserRegistry();
    EXPECT_EQ(registry->ToLocalPath("C:\\Users\\我\\a.xml"), PathFromUtf8("C:\\Users\\我\\a.xml"));
    EXPECT_EQ(registry->ToLocalPath("\\\\server\\share\\a.xml"), std::filesystem::path(L"\\\\server\\share\\a.xml"));
    EXPECT_EQ(registry->ToLocalPath("Workspace\\a.xml"), std::nullopt);
    EXPECT_EQ(registry->ToLocalPath(""), std::nullopt);
}

}  // namespace
}  // namespace kerfmax
