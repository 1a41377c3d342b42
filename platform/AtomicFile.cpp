#include "platform/AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

#include "platform/AtomicFilePlatform.h"
#include "platform/FileOps.h"
#include "platform/PathText.h"
#include "platform/ProcessIdentity.h"

namespace kerfmax {

namespace {

std::atomic<unsigned> g_sequence{0};
// Beyond this many links in a row the chain is taken to loop.
constexpr int kMaxLinkDepth = 40;
constexpr int kNameAttempts = 16;

void SetError(std::string* error, const std::string& what)
{
    if (error) *error = what;
}

// What TemporarySibling puts in front of its unique part, in the native form
// so that a name in any script survives (narrow text is not UTF-8 everywhere).
std::filesystem::path::string_type TemporaryPrefix(const std::filesystem::path& target)
{
    std::filesystem::path prefix(".");
    prefix += target.filename();
    prefix += ".kerfmax-tmp-";
    return prefix.native();
}

std::FILE* OpenForReading(const std::filesystem::path& file)
{
    return OpenFile(file, "rb");
}

bool Exists(const std::filesystem::path& path)
{
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

void RemoveQuietly(const std::filesystem::path& path)
{
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
}

// Writes bytes to a new temporary file beside the file that target resolves
// to, and puts it in place.
bool ReplaceContent(const std::filesystem::path& target, std::string_view bytes,
                    const std::filesystem::path& newFileModel, std::string* error)
{
    const std::filesystem::path real = ReplacementTarget(target);
    // A file that exists keeps its permissions; its content must not be
    // readable by others on the way there if it was not before.
    const bool replacing = Exists(real);
    std::filesystem::path temp;
    std::FILE* file = nullptr;
    int openError = 0;
    for (int attempt = 0; attempt < kNameAttempts && !file; ++attempt) {
        temp = TemporarySibling(real);
        file = atomic_file::CreateTemporaryFile(temp, replacing || !newFileModel.empty(), &openError);
        if (!file && openError != EEXIST) break;
    }
    if (!file) {
        SetError(error, std::strerror(openError));
        return false;
    }
    errno = 0;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    ok = (std::fflush(file) == 0) && ok;
    const int savedErrno = errno;
    ok = (std::fclose(file) == 0) && ok;
    if (!ok) {
        SetError(error, std::strerror(savedErrno ? savedErrno : EIO));
        RemoveQuietly(temp);
        return false;
    }
    return CommitTemporaryFile(temp, real, error, newFileModel);
}

// The unique part of a temporary name: "<owner pid>-<ticks>-<sequence>", or
// "<ticks>-<sequence>" from versions that did not record the owner; callers
// may add an extension after it.
template <typename Text>
bool OwnerIsGone(const Text& unique)
{
    std::vector<long long> parts(1, 0);
    for (auto c : unique) {
        if (c == '.') break;
        if (c == '-') parts.push_back(0);
        else if (c >= '0' && c <= '9' && parts.back() < 1000000000000LL) parts.back() = parts.back() * 10 + (c - '0');
        else return false;  // not a name we make
    }
    if (parts.size() == 2) return true;
    if (parts.size() != 3 || parts[0] > std::numeric_limits<long>::max()) return false;
    const long owner = static_cast<long>(parts[0]);
    // This process asks only before a replacement of its own: its old names are litter.
    return owner == CurrentProcessId() || !ProcessIsAlive(owner);
}

}  // namespace

std::filesystem::path ReplacementTarget(const std::filesystem::path& target)
{
    std::filesystem::path current = target;
    for (int depth = 0; depth < kMaxLinkDepth; ++depth) {
        std::error_code ec;
        if (!std::filesystem::is_symlink(std::filesystem::symlink_status(current, ec))) return current;
        std::filesystem::path next = std::filesystem::read_symlink(current, ec);
        if (ec) return current;
        current = next.is_absolute() ? next : current.parent_path() / next;
    }
    return current;
}

std::filesystem::path TemporarySibling(const std::filesystem::path& target)
{
    auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    std::filesystem::path name(TemporaryPrefix(target));
    // The owner's process id first: a later run removes the file only once its owner is gone.
    name += std::to_string(CurrentProcessId()) + "-" + std::to_string(ticks % 1000000007) + "-" +
            std::to_string(g_sequence.fetch_add(1));
    return target.parent_path() / name;
}

bool CommitTemporaryFile(const std::filesystem::path& temporary, const std::filesystem::path& target,
                         std::string* error, const std::filesystem::path& newFileModel)
{
    const std::filesystem::path real = ReplacementTarget(target);
    const std::filesystem::path model = Exists(real) ? real : newFileModel;
    std::string reason;
    if (!atomic_file::FinishTemporaryFile(temporary, model, &reason)) {
        SetError(error, reason);
        RemoveQuietly(temporary);
        return false;
    }
    if (!atomic_file::RenameOver(temporary, real, &reason)) {
        SetError(error, reason);
        RemoveQuietly(temporary);
        return false;
    }
    atomic_file::SyncFolder(real.parent_path());
    return true;
}

bool WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes, std::string* error)
{
    return ReplaceContent(target, bytes, {}, error);
}

bool CopyFileAtomically(const std::filesystem::path& source, const std::filesystem::path& target, std::string* error)
{
    std::string content, reason;
    if (!ReadWholeFile(source, &content, &reason)) {
        SetError(error, "cannot read " + PathToUtf8(source) + ": " + reason);
        return false;
    }
    return ReplaceContent(target, content, source, error);
}

// Stdio rather than streams: a folder or a read error must come back as a
// result, and a stream reads a folder as an empty file.
bool ReadWholeFile(const std::filesystem::path& file, std::string* bytes, std::string* error, std::size_t extraCapacity)
{
    bytes->clear();
    std::error_code ec;
    if (std::filesystem::is_directory(file, ec)) {
        SetError(error, std::strerror(EISDIR));
        return false;
    }
    std::FILE* in = OpenForReading(file);
    if (!in) {
        SetError(error, std::strerror(errno));
        return false;
    }
    const auto size = std::filesystem::file_size(file, ec);
    if (!ec) bytes->reserve(static_cast<std::size_t>(size) + extraCapacity);
    char buffer[65536];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, in)) > 0) bytes->append(buffer, got);
    const bool failed = std::ferror(in) != 0;
    if (failed) SetError(error, std::strerror(errno ? errno : EIO));
    std::fclose(in);
    if (failed) bytes->clear();
    return !failed;
}

int RemoveStaleTemporaries(const std::filesystem::path& target)
{
    int removed = 0;
    const std::filesystem::path real = ReplacementTarget(target);
    for (const std::filesystem::path& beside : {target, real}) {
        const auto prefix = TemporaryPrefix(beside);
        std::error_code ec;
        for (std::filesystem::directory_iterator it(beside.parent_path().empty() ? "." : beside.parent_path(), ec), end;
             !ec && it != end; it.increment(ec)) {
            const auto name = it->path().filename().native();
            if (name.compare(0, prefix.size(), prefix) != 0) continue;
            if (!OwnerIsGone(name.substr(prefix.size()))) continue;
            // Only plain files: a link or folder of that name is not one of ours.
            std::error_code statError;
            if (!std::filesystem::is_regular_file(it->symlink_status(statError)) || statError) continue;
            if (std::filesystem::remove(it->path(), statError)) ++removed;
        }
        if (real == target) break;
    }
    return removed;
}

}  // namespace kerfmax
