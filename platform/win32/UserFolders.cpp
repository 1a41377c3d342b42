#include "platform/UserFolders.h"

#include "platform/PathText.h"
#include "platform/win32/Win32Text.h"

#include <shlobj.h>

#include <atomic>
#include <vector>

#include "platform/SystemError.h"

namespace kerfmax {

namespace {

std::filesystem::path WithTrailingSeparator(std::wstring folder)
{
    if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
    return std::filesystem::path(folder);
}

std::wstring KnownFolder(REFKNOWNFOLDERID id)
{
    wchar_t* path = nullptr;
    std::wstring folder;
    if (SUCCEEDED(::SHGetKnownFolderPath(id, 0, nullptr, &path)) && path != nullptr) folder = path;
    ::CoTaskMemFree(path);
    return folder;
}

}  // namespace

std::filesystem::path DocumentsFolder()
{
    std::wstring folder = KnownFolder(FOLDERID_Documents);
    if (folder.empty()) {
        // Older shells know the folder only by its CSIDL.
        wchar_t buffer[MAX_PATH] = {};
        if (SUCCEEDED(::SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, buffer)))
            folder = buffer;
    }
    return std::filesystem::path(folder);
}

std::filesystem::path TemporaryFolder()
{
    // GetTempPathW's answer already ends with a backslash; it can be longer
    // than MAX_PATH, so ask for the size first.
    DWORD needed = ::GetTempPathW(0, nullptr);
    if (needed == 0) return {};
    std::vector<wchar_t> buffer(needed + 1);
    DWORD length = ::GetTempPathW(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length == 0 || length >= buffer.size()) return {};
    return WithTrailingSeparator(std::wstring(buffer.data(), length));
}

std::optional<std::filesystem::path> CreatePrivateFolder(const std::string& prefix, std::string* error)
{
    // The user's temporary folder is the user's own (its access list admits
    // the user, the system and administrators), so a folder made in it with
    // the inherited list is private to the user.
    const std::filesystem::path base = TemporaryFolder();
    if (base.empty()) {
        if (error) *error = "cannot find the temporary folder: " + SystemErrorText(LastSystemErrorCode());
        return std::nullopt;
    }
    static std::atomic<unsigned> sequence{0};
    const std::wstring wantedPrefix = win32::Utf8ToWide(prefix);
    DWORD lastError = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        // Process, time and a counter: unique within the process, and another
        // process's name is refused by CreateDirectoryW rather than shared.
        wchar_t unique[64];
        swprintf(unique, 64, L"%lx-%llx-%x", ::GetCurrentProcessId(),
                 static_cast<unsigned long long>(::GetTickCount64()), sequence.fetch_add(1));
        const std::wstring folder = base.native() + wantedPrefix + unique;
        if (::CreateDirectoryW(folder.c_str(), nullptr)) return std::filesystem::path(folder);
        lastError = ::GetLastError();
        if (lastError != ERROR_ALREADY_EXISTS) break;
    }
    if (error)
        *error = "cannot create a folder in " + PathToUtf8(base) + ": " + SystemErrorText(static_cast<int>(lastError));
    return std::nullopt;
}

std::filesystem::path ProgramFolder()
{
    // Long paths: grow the buffer until the whole name fits.
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) {
            std::wstring program(buffer.data(), length);
            std::size_t slash = program.find_last_of(L"\\/");
            if (slash == std::wstring::npos) return {};
            return std::filesystem::path(program.substr(0, slash + 1));
        }
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace kerfmax
