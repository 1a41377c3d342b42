// The real registry through the Registry service: values written under
// HKEY_CURRENT_USER\Software\KerfmaxTest by the test and read back.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "platform/PathText.h"
#include "platform/Registry.h"
#include "platform/win32/Win32Text.h"

namespace kerfmax {
namespace {

const std::string kKeyPath = "Software\\KerfmaxTest\\Values";

// The test's own key, removed with everything below it.
struct TestKey {
    TestKey()
    {
        ::RegCreateKeyExW(HKEY_CURRENT_USER, win32::Utf8ToWide(kKeyPath).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                          nullptr, &key, nullptr);
    }
    ~TestKey()
    {
        ::RegCloseKey(key);
        ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\KerfmaxTest");
    }
    LSTATUS Set(const std::string& name, DWORD type, const void* bytes, std::size_t size)
    {
        return ::RegSetValueExW(key, win32::Utf8ToWide(name).c_str(), 0, type, static_cast<const BYTE*>(bytes),
                                static_cast<DWORD>(size));
    }
    LSTATUS SetText(const std::string& name, const std::string& value, DWORD type = REG_SZ)
    {
        const std::wstring wide = win32::Utf8ToWide(value);
        return Set(name, type, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
    }
    HKEY key = nullptr;
};

TEST(RegistryWin32, ReadsTextAsStoredWithCaseFreeNamesAndWhatIsMissingOrTooLongIsAbsent)
{
    TestKey values;
    const std::string workspace = "C:\\Users\\me\\Workspace\\我的.cdws";
    const std::string fits(kRegistryValueBufferSize - 1, 'a');
    const DWORD number = 0x00434241;  // "ABC" then a zero byte: read as its bytes up to the zero
    ASSERT_EQ(values.SetText("LastCorelWorkspaceUsed", workspace), ERROR_SUCCESS);
    ASSERT_EQ(values.SetText("", "default"), ERROR_SUCCESS);
    // Taken as stored: the host's readers do not expand it either.
    ASSERT_EQ(values.SetText("EmbedObjDir", "%USERPROFILE%\\Corel\\", REG_EXPAND_SZ), ERROR_SUCCESS);
    ASSERT_EQ(values.SetText("Fits", fits), ERROR_SUCCESS);
    ASSERT_EQ(values.SetText("TooLong", fits + "a"), ERROR_SUCCESS);
    ASSERT_EQ(values.Set("Number", REG_DWORD, &number, sizeof number), ERROR_SUCCESS);

    auto registry = OpenCurrentUserRegistry();
    EXPECT_EQ(registry->LoadProblem(), "");
    const std::tuple<std::string, const char*, std::optional<std::string>> cases[] = {
        {kKeyPath, "lastcorelworkspaceused", workspace},
        {"SOFTWARE\\kerfmaxtest\\VALUES", "LastCorelWorkspaceUsed", workspace},
        {kKeyPath, "", "default"},
        {kKeyPath, "EmbedObjDir", "%USERPROFILE%\\Corel\\"},
        {kKeyPath, "Fits", fits},
        {kKeyPath, "Number", "ABC"},
        {kKeyPath, "TooLong", std::nullopt},
        {kKeyPath, "Missing", std::nullopt},
        {kKeyPath + "\\Nowhere", "Fits", std::nullopt}};
    for (const auto& [key, name, value] : cases) EXPECT_EQ(registry->ReadString(key, name), value) << key << name;
}

TEST(RegistryWin32, StoredPathsAreThisSystemsOwnAndRelativeOnesAreRefused)
{
    auto registry = OpenCurrentUserRegistry();
    EXPECT_EQ(registry->ToLocalPath("C:\\Users\\我\\a.xml"), PathFromUtf8("C:\\Users\\我\\a.xml"));
    EXPECT_EQ(registry->ToLocalPath("\\\\server\\share\\a.xml"), std::filesystem::path(L"\\\\server\\share\\a.xml"));
    EXPECT_EQ(registry->ToLocalPath("Workspace\\a.xml"), std::nullopt);
    EXPECT_EQ(registry->ToLocalPath(""), std::nullopt);
}

}  // namespace
}  // namespace kerfmax
