#include "platform/UserFolders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <system_error>

namespace kerfmax {

namespace {

std::string Environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string HomeFolder()
{
    std::string home = Environment("HOME");
    if (!home.empty()) return home;
    if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir) return entry->pw_dir;
    return {};
}

std::string WithTrailingSeparator(std::string folder)
{
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder;
}

// "$HOME/Documents" or "${HOME}/Documents" with the home folder put in; only
// absolute results count.
std::string ExpandHome(const std::string& text)
{
    std::string result = text;
    for (const char* token : {"${HOME}", "$HOME"}) {
        std::string_view prefix(token);
        if (result.compare(0, prefix.size(), prefix) == 0) {
            std::string home = HomeFolder();
            if (home.empty()) return {};
            result = home + result.substr(prefix.size());
            break;
        }
    }
    return !result.empty() && result.front() == '/' ? result : std::string();
}

// The value of XDG_DOCUMENTS_DIR in a user-dirs.dirs file: a line of the form
// XDG_DOCUMENTS_DIR="$HOME/Documents"; comments start with '#'.
std::string DocumentsFromUserDirs(const std::filesystem::path& file)
{
    std::ifstream in(file);
    std::string line;
    const std::string key = "XDG_DOCUMENTS_DIR=";
    while (std::getline(in, line)) {
        std::size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line.compare(start, key.size(), key) != 0) continue;
        std::string value = line.substr(start + key.size());
        while (!value.empty() && (value.back() == '\r' || value.back() == ' ' || value.back() == '\t'))
            value.pop_back();
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
        return ExpandHome(value);
    }
    return {};
}

std::filesystem::path UserDirsFile()
{
    std::string config = Environment("XDG_CONFIG_HOME");
    if (!config.empty() && config.front() == '/') return std::filesystem::path(config) / "user-dirs.dirs";
    std::string home = HomeFolder();
    if (home.empty()) return {};
    return std::filesystem::path(home) / ".config" / "user-dirs.dirs";
}

}  // namespace

std::filesystem::path DocumentsFolder()
{
    if (std::string fromEnvironment = ExpandHome(Environment("XDG_DOCUMENTS_DIR")); !fromEnvironment.empty())
        return fromEnvironment;
    if (std::filesystem::path file = UserDirsFile(); !file.empty()) {
        if (std::string fromFile = DocumentsFromUserDirs(file); !fromFile.empty()) return fromFile;
    }
    std::string home = HomeFolder();
    if (home.empty()) return {};
    return std::filesystem::path(home) / "Documents";
}

std::filesystem::path TemporaryFolder()
{
    std::string folder = Environment("TMPDIR");
    if (folder.empty()) folder = "/tmp";
    return WithTrailingSeparator(folder);
}

namespace {

// XDG_RUNTIME_DIR counts only when it is a folder of ours that nobody else can enter.
std::string PrivateRuntimeFolder()
{
    std::string folder = Environment("XDG_RUNTIME_DIR");
    struct stat info {};
    if (folder.empty() || folder[0] != '/' || ::stat(folder.c_str(), &info) != 0) return {};
    if (!S_ISDIR(info.st_mode) || info.st_uid != ::getuid() || (info.st_mode & 077) != 0) return {};
    return folder;
}

}  // namespace

std::optional<std::filesystem::path> CreatePrivateFolder(const std::string& prefix, std::string* error)
{
    std::string base = PrivateRuntimeFolder();
    if (base.empty()) base = TemporaryFolder().string();
    std::string pattern = WithTrailingSeparator(base) + prefix + "XXXXXX";
    // mkdtemp makes the folder with mode 0700 under a name nobody held before.
    if (::mkdtemp(pattern.data()) == nullptr) {
        if (error) *error = "cannot create a folder in " + base + ": " + std::strerror(errno);
        return std::nullopt;
    }
    return std::filesystem::path(pattern);
}

std::filesystem::path ProgramFolder()
{
    std::error_code error;
    std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error || program.empty()) return {};
    return WithTrailingSeparator(program.parent_path().string());
}

}  // namespace kerfmax
