#include "geometry/OutputSink.h"

#include <cerrno>
#include <cstring>
#include <system_error>

#include "platform/AtomicFile.h"
#include "platform/DiskFlusher.h"
#include "platform/FileOps.h"

namespace kerfmax {

namespace {
// Large enough that a million-point job costs a few hundred write calls.
constexpr std::size_t kFlushThreshold = 256 * 1024;
// Pieces this large (the pen-command writer's) go to the file as they come.
constexpr std::size_t kDirectWrite = 32 * 1024;
constexpr int kNameAttempts = 16;
// A long output goes to disk in steps this large while it is written, so that
// Commit()'s flush to disk waits only for the last of it. Shorter outputs are
// flushed by Commit() alone, without a thread.
constexpr std::uint64_t kDiskFlushStep = 2 * 1024 * 1024;
}  // namespace

FileSink::FileSink(std::filesystem::path target, const std::atomic<int>* cancel)
    : m_target(std::move(target)), m_cancel(cancel)
{
}

FileSink::~FileSink()
{
    Discard();
}

bool FileSink::Open()
{
    if (m_file) return true;
    std::string reason;
    for (int attempt = 0; attempt < kNameAttempts && !m_file; ++attempt) {
        // Beside the file a link at the target names: the rename then replaces that file.
        m_temp = TemporarySibling(ReplacementTarget(m_target));
        bool taken = false;
        m_file = CreateNewFile(m_temp, &taken, &reason);  // a new file only: never reuse a name
        if (!m_file && !taken) break;
    }
    if (!m_file) {
        Fail(reason);
        m_temp.clear();
        return false;
    }
    m_buffer.reserve(kFlushThreshold + 4096);
    return true;
}

bool FileSink::Cancelled() const
{
    return m_cancel && m_cancel->load(std::memory_order_relaxed) != 0;
}

void FileSink::Write(std::string_view bytes)
{
    if (m_failed) return;
    if (!m_file) {
        Fail("output file is not open");
        return;
    }
    if (Cancelled()) {
        Fail("cancelled");
        return;
    }
    if (m_buffer.empty() && bytes.size() >= kDirectWrite) {
        WriteThrough(bytes);  // already a large piece: gathering it again would only copy it
        return;
    }
    m_buffer.append(bytes);
    if (m_buffer.size() >= kFlushThreshold) Flush();
}

bool FileSink::WriteThrough(std::string_view bytes)
{
    if (std::fwrite(bytes.data(), 1, bytes.size(), m_file) != bytes.size()) {
        Fail(std::strerror(errno ? errno : EIO));
        return false;
    }
    m_written += bytes.size();
    if (m_written - m_flushRequestedAt >= kDiskFlushStep) {
        if (!m_flusher) m_flusher = std::make_unique<DiskFlusher>(m_file);
        m_flusher->Request();  // a stream error here shows again in Commit()'s flush
        m_flushRequestedAt = m_written;
    }
    return true;
}

bool FileSink::Flush()
{
    if (m_buffer.empty()) return true;
    if (!WriteThrough(m_buffer)) return false;
    m_buffer.clear();
    return true;
}

bool FileSink::Commit()
{
    if (!m_file) {
        if (!m_failed) Fail("output file is not open");
        return false;
    }
    if (!m_failed && Cancelled()) Fail("cancelled");
    if (m_failed || !Flush()) {
        Discard();
        return false;
    }
    std::string flushFailure;
    if (m_flusher && !m_flusher->Stop(&flushFailure)) {
        Fail(flushFailure);
        Discard();
        return false;
    }
    m_flusher.reset();
    errno = 0;
    bool ok = std::fflush(m_file) == 0;
    int savedErrno = errno;
    ok = (std::fclose(m_file) == 0) && ok;
    m_file = nullptr;
    if (!ok) {
        Fail(std::strerror(savedErrno ? savedErrno : EIO));
        Discard();
        return false;
    }
    // Flushed, given the replaced file's permissions, renamed, the folder flushed.
    std::string reason;
    if (!CommitTemporaryFile(m_temp, m_target, &reason)) {
        m_temp.clear();  // removed by the commit
        Fail(reason);
        return false;
    }
    m_temp.clear();
    return true;
}

void FileSink::Fail(const std::string& reason)
{
    if (!m_failed) m_error = reason;
    m_failed = true;
}

void FileSink::Discard()
{
    m_flusher.reset();  // its thread must be done with the file before it closes
    if (m_file) {
        std::fclose(m_file);
        m_file = nullptr;
    }
    if (!m_temp.empty()) {
        std::error_code ignored;
        std::filesystem::remove(m_temp, ignored);
        m_temp.clear();
    }
    m_buffer.clear();
}

}  // namespace kerfmax
