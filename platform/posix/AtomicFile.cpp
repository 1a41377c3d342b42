#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/AtomicFilePlatform.h"

namespace kerfmax::atomic_file {

std::FILE* CreateTemporaryFile(const std::filesystem::path& path, bool privateMode, int* error)
{
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, privateMode ? 0600 : 0666);
    if (fd < 0) {
        *error = errno;
        return nullptr;
    }
    std::FILE* file = ::fdopen(fd, "wb");
    if (!file) {
        *error = errno;
        ::close(fd);
        ::unlink(path.c_str());
    }
    return file;
}

bool FinishTemporaryFile(const std::filesystem::path& path, const std::filesystem::path& model, std::string* error)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        *error = std::strerror(errno);
        return false;
    }
    bool ok = true;
    struct stat modelStat;
    if (!model.empty() && ::stat(model.c_str(), &modelStat) == 0) {
        // Keeping the owner needs the right to give the file away; without it
        // the file stays ours, as any rewrite by us would leave it.
        const int ownerKept = ::fchown(fd, modelStat.st_uid, modelStat.st_gid);
        (void)ownerKept;
        if (::fchmod(fd, modelStat.st_mode & 07777) != 0) {
            *error = std::strerror(errno);
            ok = false;
        }
    }
    if (ok && ::fsync(fd) != 0) {
        *error = std::strerror(errno);
        ok = false;
    }
    ::close(fd);
    return ok;
}

bool RenameOver(const std::filesystem::path& temporary, const std::filesystem::path& target, std::string* error)
{
    std::error_code ec;
    std::filesystem::rename(temporary, target, ec);
    if (ec) *error = ec.message();
    return !ec;
}

void SyncFolder(const std::filesystem::path& folder)
{
    int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace kerfmax::atomic_file
