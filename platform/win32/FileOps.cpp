#include "platform/FileOps.h"

#include <fcntl.h>
#include <io.h>

#include "platform/SystemError.h"
#include "platform/PathText.h"
#include "platform/win32/Win32Text.h"

namespace kerfmax {

namespace {

void SetError(std::string* error, const std::string& what)
{
    if (error) *error = what;
}

std::string Named(const std::filesystem::path& path)
{
    return PathToUtf8(path);
}

std::string LastErrorText()
{
    return SystemErrorText(LastSystemErrorCode());
}

DWORD AttributesOf(const std::filesystem::path& path)
{
    return ::GetFileAttributesW(path.c_str());
}

bool IsFolder(DWORD attributes)
{
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A junction or symbolic link is removed as a link, never entered.
bool IsLink(DWORD attributes)
{
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// A read-only file would refuse DeleteFileW; what we delete, we delete whole.
bool DeleteOneFile(const std::wstring& file, DWORD attributes)
{
    if (attributes & FILE_ATTRIBUTE_READONLY)
        ::SetFileAttributesW(file.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    return ::DeleteFileW(file.c_str()) != 0;
}

void DeleteContents(const std::wstring& folder)
{
    WIN32_FIND_DATAW entry;
    HANDLE listing = ::FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (listing == INVALID_HANDLE_VALUE) return;
    do {
        const std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring child = folder + L"\\" + name;
        const DWORD attributes = entry.dwFileAttributes;
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (!IsLink(attributes)) DeleteContents(child);
            ::RemoveDirectoryW(child.c_str());
        } else {
            DeleteOneFile(child, attributes);
        }
    } while (::FindNextFileW(listing, &entry));
    ::FindClose(listing);
}

}  // namespace

std::optional<std::filesystem::path> CreateUniqueFolder(const std::filesystem::path& wanted, std::string* error)
{
    for (int suffix = 1; suffix <= 1000; ++suffix) {
        std::filesystem::path candidate = wanted;
        if (suffix > 1) candidate += L"-" + std::to_wstring(suffix);
        // CreateDirectoryW refuses a name that exists in any form, so a
        // folder we did not make is never returned as ours.
        if (::CreateDirectoryW(candidate.c_str(), nullptr)) return candidate;
        const DWORD lastError = ::GetLastError();
        if (lastError != ERROR_ALREADY_EXISTS) {
            SetError(error, "cannot create " + Named(candidate) + ": " + SystemErrorText(static_cast<int>(lastError)));
            return std::nullopt;
        }
    }
    SetError(error, "no free folder name beside " + Named(wanted));
    return std::nullopt;
}

bool DeleteFolderTree(const std::filesystem::path& folder)
{
    const DWORD attributes = AttributesOf(folder);
    if (!IsFolder(attributes) || IsLink(attributes)) return false;
    DeleteContents(folder.native());
    return ::RemoveDirectoryW(folder.c_str()) != 0;
}

bool EnsureFolder(const std::filesystem::path& folder, std::string* error)
{
    if (IsFolder(AttributesOf(folder))) return true;
    if (::CreateDirectoryW(folder.c_str(), nullptr) || IsFolder(AttributesOf(folder))) return true;
    SetError(error, "cannot create " + Named(folder) + ": " + LastErrorText());
    return false;
}

bool DeleteFileIfPresent(const std::filesystem::path& file, std::string* error)
{
    const DWORD attributes = AttributesOf(file);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD lastError = ::GetLastError();
        if (lastError == ERROR_FILE_NOT_FOUND || lastError == ERROR_PATH_NOT_FOUND) return true;
        SetError(error, "cannot delete " + Named(file) + ": " + SystemErrorText(static_cast<int>(lastError)));
        return false;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        SetError(error, "cannot delete " + Named(file) + ": it is a folder");
        return false;
    }
    if (!DeleteOneFile(file.native(), attributes)) {
        SetError(error, "cannot delete " + Named(file) + ": " + LastErrorText());
        return false;
    }
    return true;
}

std::FILE* OpenFile(const std::filesystem::path& path, const char* mode)
{
    return ::_wfopen(path.c_str(), win32::Utf8ToWide(mode).c_str());
}

std::FILE* CreateNewFile(const std::filesystem::path& path, bool* alreadyExists, std::string* error)
{
    *alreadyExists = false;
    // The wide call reaches every name; CREATE_NEW never opens an existing file.
    HANDLE handle =
        ::CreateFileW(path.wstring().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD code = ::GetLastError();
        *alreadyExists = code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS;
        SetError(error, SystemErrorText(static_cast<int>(code)));
        return nullptr;
    }
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
    if (fd < 0) {
        ::CloseHandle(handle);
        ::DeleteFileW(path.wstring().c_str());
        SetError(error, "cannot open " + Named(path));
        return nullptr;
    }
    std::FILE* file = ::_fdopen(fd, "wb");
    if (file == nullptr) {
        ::_close(fd);
        ::DeleteFileW(path.wstring().c_str());
        SetError(error, "cannot open " + Named(path));
    }
    return file;
}

std::intptr_t SystemHandleOf(std::FILE* file)
{
    return ::_get_osfhandle(::_fileno(file));
}

bool FlushToDisk(std::intptr_t handle, std::string* error)
{
    if (::FlushFileBuffers(reinterpret_cast<HANDLE>(handle))) return true;
    SetError(error, SystemErrorText(static_cast<int>(::GetLastError())));
    return false;
}

}  // namespace kerfmax
