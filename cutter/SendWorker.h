#pragma once
// The streaming half of a send: the output file cut into chunks and pushed
// through the cutter, with progress and the link's delivery at the end.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#include "platform/Notifier.h"

namespace kerfmax {

class CCutter;

// Serial chunks also end after each ";" so the CTS handshake runs before every
// command; the other links take blocks.
inline constexpr std::size_t kSerialChunkSize = 40;
inline constexpr std::size_t kBlockChunkSize = 512;
std::size_t ChunkSizeFor(std::int32_t linkType);
bool ChunksEndAfterSemicolon(std::int32_t linkType);

// Cuts an open file into the chunks the worker sends.
class ChunkReader {
public:
    ChunkReader(std::FILE* file, std::uint64_t length, std::size_t chunkSize, bool endAfterSemicolon);

    // The next chunk into `chunk`; false when the whole length has been read or
    // the file ended early (then ShortRead() is true).
    bool Next(std::string& chunk);
    std::uint64_t BytesRead() const { return m_read; }
    bool ShortRead() const { return m_shortRead; }

private:
    static constexpr std::size_t kReadBlock = 65536;
    bool Refill();

    std::FILE* m_file;
    std::string m_buffer;  // read ahead in blocks; chunks are cut from it byte by byte
    std::size_t m_begin = 0;
    std::size_t m_end = 0;
    std::uint64_t m_length;
    std::uint64_t m_read = 0;
    std::size_t m_chunkSize;
    bool m_endAfterSemicolon;
    bool m_shortRead = false;
};

struct SendProgress {
    int percent = 0;  // bytes sent x 100 / length, truncated
    std::uint64_t bytesSent = 0;
    std::uint64_t totalBytes = 0;
};

enum class SendOutcome {
    Finished,  // every byte was accepted by the link (an empty file too)
    Failed,  // the file could not be read or a write fell short
    Cancelled,  // the cancel flag stopped the send
};

// Both run on the thread that streams.
struct StreamCallbacks {
    std::function<void(const SendProgress&)> progress;
    std::function<void(const std::string& text, NotifyIcon icon)> message;
};

// "Warning: %s\nylen:%ld, readed:%ld, nWResult:%ld" for a write that fell short.
std::string WriteWarningText(int errorCode, std::uint64_t bytesSent, std::size_t count, long result);

// The send worker: reads the output file back, pushes it through the cutter's
// Write in chunks, reporting progress after each, and then waits until the link
// has delivered it. Runs on the caller's thread (the send's own thread); the
// cutter must be open. *confirmedBytes (optional) gets how many bytes from the
// file's start the link confirmed (see CCutter::UnconfirmedBytes): all of them
// after a finished send, and after a failed one never more than the link took.
SendOutcome SendWorker(CCutter& cutter, std::int32_t linkType, const std::filesystem::path& outputPath,
                       const std::atomic<int>& cancel, const std::string& openFailText,
                       const StreamCallbacks& callbacks, std::uint64_t* confirmedBytes = nullptr);

}  // namespace kerfmax
