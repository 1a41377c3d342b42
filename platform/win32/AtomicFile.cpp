#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>

#include <cerrno>

#include "platform/AtomicFilePlatform.h"
#include "platform/SystemError.h"
#include "platform/win32/Win32Text.h"

namespace kerfmax::atomic_file {

std::FILE* CreateTemporaryFile(const std::filesystem::path& path, bool /*privateMode*/, int* error)
{
    // The new file takes the access list of its folder, the one the target
    // file lives in; Windows has no wider default to narrow here.
    int fd = -1;
    const errno_t rc = ::_wsopen_s(&fd, path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                                   _SH_DENYWR, _S_IREAD | _S_IWRITE);
    if (rc != 0 || fd < 0) {
        *error = rc != 0 ? rc : EIO;
        return nullptr;
    }
    std::FILE* file = ::_fdopen(fd, "wb");
    if (!file) {
        *error = errno;
        ::_close(fd);
        ::_wunlink(path.c_str());
    }
    return file;
}

bool FinishTemporaryFile(const std::filesystem::path& path, const std::filesystem::path& model, std::string* error)
{
    win32::ScopedHandle file(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) {
        *error = SystemErrorText(LastSystemErrorCode());
        return false;
    }
    if (!::FlushFileBuffers(file.Get())) {
        *error = SystemErrorText(LastSystemErrorCode());
        return false;
    }
    file.Reset();
    // The replaced file's hidden and archive marks go on; a read-only mark
    // would make the next replacement fail, as it does for every editor.
    if (!model.empty()) {
        const DWORD attributes = ::GetFileAttributesW(model.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            const DWORD kept =
                attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
            ::SetFileAttributesW(path.c_str(), kept ? kept : FILE_ATTRIBUTE_NORMAL);
        }
    }
    return true;
}

bool RenameOver(const std::filesystem::path& temporary, const std::filesystem::path& target, std::string* error)
{
    // Write-through: the call returns only when the rename is on the disk,
    // which stands in for flushing the folder.
    if (::MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    *error = SystemErrorText(LastSystemErrorCode());
    return false;
}

void SyncFolder(const std::filesystem::path& /*folder*/)
{
    // Nothing to do: RenameOver writes through, and Windows cannot flush a folder.
}

}  // namespace kerfmax::atomic_file
