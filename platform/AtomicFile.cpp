#include "platform/AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace kerfmax {

namespace {
std::atomic<unsigned> g_sequence{0};

void SetError(std::string* error, const std::string& what)
{
    if (error) *error = what;
}
}  // namespace

std::filesystem::path TemporarySibling(const std::filesystem::path& target)
{
    auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    std::string name = "." + target.filename().string() + ".tmp" + std::to_string(ticks % 1000000007) +
                       "-" + std::to_string(g_sequence.fetch_add(1));
    return target.parent_path() / name;
}

bool WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes, std::string* error)
{
    std::filesystem::path temp;
    std::FILE* file = nullptr;
    for (int attempt = 0; attempt < 16 && !file; ++attempt) {
        temp = TemporarySibling(target);
        file = std::fopen(temp.string().c_str(), "wbx");   // exclusive: never reuse a name
        if (!file && errno != EEXIST) break;
    }
    if (!file) {
        SetError(error, std::strerror(errno));
        return false;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    ok = (std::fflush(file) == 0) && ok;
    int savedErrno = errno;
    ok = (std::fclose(file) == 0) && ok;
    if (!ok) {
        SetError(error, std::strerror(savedErrno ? savedErrno : EIO));
        std::error_code ignored;
        std::filesystem::remove(temp, ignored);
        return false;
    }
    std::error_code ec;
    std::filesystem::rename(temp, target, ec);
    if (ec) {
        SetError(error, ec.message());
        std::error_code ignored;
        std::filesystem::remove(temp, ignored);
        return false;
    }
    return true;
}

bool CopyFileAtomically(const std::filesystem::path& source, const std::filesystem::path& target,
                        std::string* error)
{
    std::ifstream in(source, std::ios::binary);
    if (!in) {
        SetError(error, "cannot open " + source.string());
        return false;
    }
    std::ostringstream content;
    content << in.rdbuf();
    if (in.bad()) {
        SetError(error, "cannot read " + source.string());
        return false;
    }
    return WriteFileAtomically(target, content.str(), error);
}

}  // namespace kerfmax
