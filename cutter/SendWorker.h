#pragma once
// The send worker: a thread that reads the output file back and pushes it
// through the cutter's Write in small chunks, reporting progress, messages and
// its end through callbacks. The main window binds them as queued calls to its
// own thread; the command-line tool prints from them.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#include "app/Notifier.h"

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
    std::string m_buffer;   // read ahead in blocks; chunks are cut from it byte by byte
    std::size_t m_begin = 0;
    std::size_t m_end = 0;
    std::uint64_t m_length;
    std::uint64_t m_read = 0;
    std::size_t m_chunkSize;
    bool m_endAfterSemicolon;
    bool m_shortRead = false;
};

struct SendProgress {
    int percent = 0;                 // bytes sent x 100 / length, truncated
    std::uint64_t bytesSent = 0;
    std::uint64_t totalBytes = 0;
};

enum class SendOutcome {
    Finished,    // every byte was accepted by the link (an empty file too)
    Failed,      // the file could not be read or a write fell short
    Cancelled,   // the cancel flag stopped the send
};

// The window's completion message carries 1 after a failed send, else 0.
inline int FailureFlag(SendOutcome outcome) { return outcome == SendOutcome::Failed ? 1 : 0; }

// All three run on the worker thread. done is the worker's last act.
struct SendWorkerCallbacks {
    std::function<void(const SendProgress&)> progress;
    std::function<void(const std::string& text, NotifyIcon icon)> message;
    std::function<void(SendOutcome)> done;
};

// "Warning: %s\nylen:%ld, readed:%ld, nWResult:%ld" for a write that fell short.
std::string WriteWarningText(int errorCode, std::uint64_t bytesSent, std::size_t count, long result);

class SendWorker {
public:
    SendWorker() = default;
    // Waits for a running worker; set the cancel flag first to make that quick.
    ~SendWorker();
    SendWorker(const SendWorker&) = delete;
    SendWorker& operator=(const SendWorker&) = delete;

    // Starts the thread. The cutter, the cancel flag and openFailText must
    // outlive it; the cutter must not be touched until done has run. False when
    // a worker is still running or the thread cannot start; a previous worker
    // that has ended is joined first.
    bool Start(CCutter& cutter, std::int32_t linkType, std::filesystem::path outputPath,
               const std::atomic<int>& cancel, std::string openFailText, SendWorkerCallbacks callbacks);
    // Waits until the thread has ended (after done).
    void Wait();
    // True from Start until just before done runs.
    bool Running() const { return m_running.load(); }

private:
    std::atomic<bool> m_running{false};
    std::thread m_thread;
};

}  // namespace kerfmax
