#include "platform/FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

namespace kerfmax {

namespace {

constexpr std::chrono::milliseconds kRetryPause{5};

// True when the name still leads to the file open on fd (no writer replaced it).
bool NameLeadsTo(const std::filesystem::path& path, int fd)
{
    struct stat open, named;
    return ::fstat(fd, &open) == 0 && ::stat(path.c_str(), &named) == 0 && open.st_dev == named.st_dev &&
           open.st_ino == named.st_ino;
}

}  // namespace

FileLock::FileLock(const std::filesystem::path& path, std::chrono::milliseconds wait)
{
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (true) {
        // Read-only is enough for flock, so a read-only settings file locks too.
        const int fd = ::open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0666);
        if (fd < 0) {
            m_error = std::strerror(errno);
            return;
        }
        // flock (not fcntl): it also excludes a second open of the same file in this process.
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            if (NameLeadsTo(path, fd)) {
                m_handle = fd;
                return;
            }
            ::close(fd);  // replaced while we waited: lock the file that is there now
            continue;
        }
        const int error = errno;
        ::close(fd);
        if (error != EWOULDBLOCK && error != EINTR) {
            m_error = std::strerror(error);
            return;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            m_error = "another program holds it locked";
            m_timedOut = true;
            return;
        }
        std::this_thread::sleep_for(kRetryPause);
    }
}

FileLock::~FileLock()
{
    if (Held()) ::close(static_cast<int>(m_handle));  // closing the last descriptor releases the lock
}

}  // namespace kerfmax
