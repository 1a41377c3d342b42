#include "platform/FileOps.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace kerfmax {

namespace {
void SetError(std::string* error, const std::string& what)
{
    if (error) *error = what;
}
}  // namespace

std::optional<std::filesystem::path> CreateUniqueFolder(const std::filesystem::path& wanted, std::string* error)
{
    std::error_code ec;
    for (int suffix = 1; suffix <= 1000; ++suffix) {
        std::filesystem::path candidate = wanted;
        if (suffix > 1) candidate += "-" + std::to_string(suffix);
        // create_directory reports false for a name that exists in any form,
        // so a folder we did not make is never returned as ours.
        if (std::filesystem::create_directory(candidate, ec)) return candidate;
        if (ec) {
            SetError(error, "cannot create " + candidate.string() + ": " + ec.message());
            return std::nullopt;
        }
    }
    SetError(error, "no free folder name beside " + wanted.string());
    return std::nullopt;
}

bool DeleteFolderTree(const std::filesystem::path& folder)
{
    std::error_code ec;
    if (!std::filesystem::is_directory(std::filesystem::symlink_status(folder, ec))) return false;
    std::filesystem::remove_all(folder, ec);
    return !ec && !std::filesystem::exists(std::filesystem::symlink_status(folder, ec));
}

bool EnsureFolder(const std::filesystem::path& folder, std::string* error)
{
    std::error_code ec;
    if (std::filesystem::is_directory(folder, ec)) return true;
    if (std::filesystem::create_directory(folder, ec) || std::filesystem::is_directory(folder)) return true;
    SetError(error, "cannot create " + folder.string() + (ec ? ": " + ec.message() : ""));
    return false;
}

bool DeleteFileIfPresent(const std::filesystem::path& file, std::string* error)
{
    std::error_code ec;
    if (std::filesystem::is_directory(std::filesystem::symlink_status(file, ec))) {
        SetError(error, "cannot delete " + file.string() + ": it is a folder");
        return false;
    }
    std::filesystem::remove(file, ec);
    if (ec) {
        SetError(error, "cannot delete " + file.string() + ": " + ec.message());
        return false;
    }
    return true;
}

std::FILE* OpenFile(const std::filesystem::path& path, const char* mode)
{
    return std::fopen(path.c_str(), mode);
}

std::FILE* CreateNewFile(const std::filesystem::path& path, bool* alreadyExists, std::string* error)
{
    *alreadyExists = false;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        *alreadyExists = errno == EEXIST;
        SetError(error, std::strerror(errno));
        return nullptr;
    }
    std::FILE* file = ::fdopen(fd, "wb");
    if (file == nullptr) {
        SetError(error, std::strerror(errno));
        ::close(fd);
        ::unlink(path.c_str());
    }
    return file;
}

std::intptr_t SystemHandleOf(std::FILE* file)
{
    return ::fileno(file);
}

bool FlushToDisk(std::intptr_t handle, std::string* error)
{
    if (::fdatasync(static_cast<int>(handle)) == 0) return true;
    SetError(error, std::strerror(errno));
    return false;
}

}  // namespace kerfmax
