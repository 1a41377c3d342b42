// The current user's registry, read with RegOpenKeyExW / RegQueryValueExW.
// Values are asked for in UTF-16 and measured as the ANSI text the host's own
// readers get, so the size rule is the one of a 260-byte ANSI buffer.
#include "platform/Registry.h"

#include <cctype>
#include <vector>

#include "platform/PathText.h"
#include "platform/win32/Win32Text.h"

namespace kerfmax {

namespace {

// Text up to the first NUL of a UTF-16 value (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ).
std::wstring WideTextOf(const std::vector<BYTE>& data, DWORD size)
{
    const wchar_t* units = reinterpret_cast<const wchar_t*>(data.data());
    std::size_t count = size / sizeof(wchar_t);
    std::size_t length = 0;
    while (length < count && units[length] != L'\0') ++length;
    return std::wstring(units, length);
}

std::size_t AnsiBytes(const std::wstring& text)
{
    if (text.empty()) return 0;
    const int bytes =
        ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    return bytes > 0 ? static_cast<std::size_t>(bytes) : text.size() * 2;
}

class Win32Registry final : public Registry {
public:
    std::optional<std::string> ReadString(const std::string& keyPath, const std::string& valueName) const override
    {
        HKEY key = nullptr;
        if (::RegOpenKeyExW(HKEY_CURRENT_USER, win32::Utf8ToWide(keyPath).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
            return std::nullopt;
        std::optional<std::string> value = Query(key, win32::Utf8ToWide(valueName));
        ::RegCloseKey(key);
        return value;
    }

    std::optional<std::filesystem::path> ToLocalPath(const std::string& storedPath) const override
    {
        // The host's paths are this system's own; only relative ones are refused.
        const bool drive =
            storedPath.size() >= 2 && std::isalpha(static_cast<unsigned char>(storedPath[0])) && storedPath[1] == ':';
        const bool unc = storedPath.size() >= 2 && (storedPath[0] == '\\' || storedPath[0] == '/') &&
                         (storedPath[1] == '\\' || storedPath[1] == '/');
        if (!drive && !unc) return std::nullopt;
        return PathFromUtf8(storedPath);
    }

    std::string LoadProblem() const override { return {}; }

private:
    static std::optional<std::string> Query(HKEY key, const std::wstring& name)
    {
        DWORD type = 0;
        DWORD size = 0;
        // A value far beyond the buffer is absent anyway: never read it whole.
        if (::RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
        if (size > 4 * kRegistryValueBufferSize + 16) return std::nullopt;
        std::vector<BYTE> data(size + sizeof(wchar_t), 0);
        if (::RegQueryValueExW(key, name.c_str(), nullptr, &type, data.data(), &size) != ERROR_SUCCESS)
            return std::nullopt;
        if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) {
            const std::wstring text = WideTextOf(data, size);
            if (AnsiBytes(text) + 1 > kRegistryValueBufferSize) return std::nullopt;
            return win32::WideToUtf8(text);
        }
        // Numbers and binary data: their bytes, as far as the first NUL.
        if (size > kRegistryValueBufferSize) return std::nullopt;
        std::string bytes(reinterpret_cast<const char*>(data.data()), size);
        return bytes.substr(0, bytes.find('\0'));
    }
};

}  // namespace

std::unique_ptr<Registry> OpenCurrentUserRegistry()
{
    return std::make_unique<Win32Registry>();
}

}  // namespace kerfmax
