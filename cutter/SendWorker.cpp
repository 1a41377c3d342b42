#include "cutter/SendWorker.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <memory>
#include <system_error>

#include "cutter/Cutter.h"
#include "platform/FileOps.h"
#include "platform/SystemError.h"

namespace kerfmax {

std::size_t ChunkSizeFor(std::int32_t linkType)
{
    return linkType == LINK_SERIAL ? kSerialChunkSize : kBlockChunkSize;
}

bool ChunksEndAfterSemicolon(std::int32_t linkType)
{
    return ChunkSizeFor(linkType) == kSerialChunkSize;
}

ChunkReader::ChunkReader(std::FILE* file, std::uint64_t length, std::size_t chunkSize, bool endAfterSemicolon)
    : m_file(file), m_length(length), m_chunkSize(chunkSize), m_endAfterSemicolon(endAfterSemicolon)
{
}

bool ChunkReader::Refill()
{
    m_buffer.resize(kReadBlock);
    m_begin = 0;
    m_end = std::fread(m_buffer.data(), 1, m_buffer.size(), m_file);
    return m_end > 0;
}

bool ChunkReader::Next(std::string& chunk)
{
    chunk.clear();
    while (m_read < m_length && chunk.size() < m_chunkSize) {
        if (m_begin == m_end && !Refill()) {
            // The file shrank under us: what is missing must not pass as sent.
            m_shortRead = true;
            return false;
        }
        const char c = m_buffer[m_begin++];
        chunk.push_back(c);
        ++m_read;
        if (m_endAfterSemicolon && c == ';') break;
    }
    return !chunk.empty();
}

std::string WriteWarningText(int errorCode, std::uint64_t bytesSent, std::size_t count, long result)
{
    char numbers[128];
    std::snprintf(numbers, sizeof numbers, "ylen:%ld, readed:%ld, nWResult:%ld", static_cast<long>(bytesSent),
                  static_cast<long>(count), result);
    return "Warning: " + SystemErrorText(errorCode) + "\n" + numbers;
}

namespace {

// What the link has confirmed of the bytes it took, asked while the stream
// runs and once at its end; an answer the link cannot give (a port gone) keeps
// the last one it gave. Serial chunks are few and slow, so each is followed by
// a look: a port that vanishes answers nothing afterwards. A block link is
// looked at every kLookEvery (a socket still answers after a reset).
class ConfirmedTally {
public:
    ConfirmedTally(CCutter& cutter, bool lookAfterEveryChunk) : m_cutter(cutter), m_everyChunk(lookAfterEveryChunk) {}

    void Took(std::uint64_t bytes)
    {
        m_took = bytes;
        const auto now = std::chrono::steady_clock::now();
        if (!m_everyChunk && now - m_lastLook < kLookEvery) return;
        m_lastLook = now;
        Look();
    }
    void Look()
    {
        const long unconfirmed = m_cutter.UnconfirmedBytes();
        if (unconfirmed < 0) return;
        const auto pending = static_cast<std::uint64_t>(unconfirmed);
        // Bytes of a chunk that failed part way may be queued too: never count past what was taken.
        if (pending <= m_took) m_confirmed = std::max(m_confirmed, m_took - pending);
    }
    void AllConfirmed() { m_confirmed = m_took; }
    std::uint64_t Confirmed() const { return m_confirmed; }

private:
    static constexpr std::chrono::milliseconds kLookEvery{100};
    CCutter& m_cutter;
    bool m_everyChunk;
    std::uint64_t m_took = 0;
    std::uint64_t m_confirmed = 0;
    std::chrono::steady_clock::time_point m_lastLook{};
};

struct WorkerTask {
    CCutter& cutter;
    std::int32_t linkType;
    const std::atomic<int>& cancel;
    const StreamCallbacks& callbacks;
    ConfirmedTally& tally;

    void Report(const std::string& text, NotifyIcon icon) const
    {
        if (callbacks.message) callbacks.message(text, icon);
    }
    void Progress(std::uint64_t sent, std::uint64_t total) const
    {
        if (!callbacks.progress) return;
        int percent =
            total == 0 ? 100 : static_cast<int>(static_cast<double>(sent) * 100.0 / static_cast<double>(total));
        callbacks.progress(SendProgress{percent, sent, total});
    }
    bool CancelRequested() const { return cancel.load() != 0; }
    SendOutcome Warn(int errorCode, std::uint64_t sent, std::size_t count, long result) const
    {
        Report(WriteWarningText(errorCode, sent, count, result), NotifyIcon::Information);
        return SendOutcome::Failed;
    }

    SendOutcome StreamFile(std::FILE* file, std::uint64_t length) const;
    SendOutcome Deliver(std::uint64_t length) const;
};

SendOutcome WorkerTask::StreamFile(std::FILE* file, std::uint64_t length) const
{
    if (CancelRequested()) return SendOutcome::Cancelled;
    ChunkReader reader(file, length, ChunkSizeFor(linkType), ChunksEndAfterSemicolon(linkType));
    std::string chunk;
    while (reader.Next(chunk)) {
        const int count = static_cast<int>(chunk.size());
        const int result = cutter.Write(chunk.data(), count, &cancel, 1);
        if (result != count) {
            // A wait cut short by Cancel is the user's wish, not a fault of the link.
            if (CancelRequested()) return SendOutcome::Cancelled;
            return Warn(cutter.LastError(), reader.BytesRead(), chunk.size(), result);
        }
        tally.Took(reader.BytesRead());
        Progress(reader.BytesRead(), length);
        if (CancelRequested()) return SendOutcome::Cancelled;
    }
    if (reader.ShortRead()) return Warn(EIO, reader.BytesRead(), 0, 0);
    // The last chunk already reported 100; an empty file reports it here.
    if (length == 0) Progress(0, 0);
    return Deliver(length);
}

SendOutcome WorkerTask::Deliver(std::uint64_t length) const
{
    // Bytes the link took are not yet bytes the cutter got.
    const int delivered = cutter.FinishSend(&cancel);
    if (delivered > 0) {
        tally.Took(length);
        tally.AllConfirmed();
        return SendOutcome::Finished;
    }
    if (delivered == 0 || CancelRequested()) return SendOutcome::Cancelled;
    return Warn(cutter.LastError(), length, 0, delivered);
}

}  // namespace

SendOutcome SendWorker(CCutter& cutter, std::int32_t linkType, const std::filesystem::path& outputPath,
                       const std::atomic<int>& cancel, const std::string& openFailText,
                       const StreamCallbacks& callbacks, std::uint64_t* confirmedBytes)
{
    ConfirmedTally tally(cutter, ChunksEndAfterSemicolon(linkType));
    WorkerTask task{cutter, linkType, cancel, callbacks, tally};
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(OpenFile(outputPath, "rb"), &std::fclose);
    std::error_code ec;
    const std::uintmax_t length = file ? std::filesystem::file_size(outputPath, ec) : 0;
    if (!file || ec) {
        // Nothing reached the cutter: this is not a finished send.
        task.Report(openFailText, NotifyIcon::None);
        return SendOutcome::Failed;
    }
    const SendOutcome outcome = task.StreamFile(file.get(), length);
    if (outcome != SendOutcome::Finished) tally.Look();
    if (confirmedBytes) *confirmedBytes = tally.Confirmed();
    return outcome;
}

}  // namespace kerfmax
