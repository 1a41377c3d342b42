#pragma once
// Puts a file that is being written on disk step by step, on a thread of its
// own, so that the flush at the end of a long output waits for its last part
// only, not for all of it. The writer goes on meanwhile: the thread only asks
// the system to flush the file and never touches the stream.
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>

namespace kerfmax {

class DiskFlusher {
public:
    explicit DiskFlusher(std::FILE* file);
    ~DiskFlusher();
    DiskFlusher(const DiskFlusher&) = delete;
    DiskFlusher& operator=(const DiskFlusher&) = delete;

    // Hands what was written so far to the system and asks for it on disk;
    // returns without waiting. False when the stream could not hand it over
    // (its error stays on the stream for the caller's own flush).
    bool Request();
    // Waits for the flush under way and starts no other; call it before the
    // file is closed. False (with *error) when any flush failed: the system
    // may tell a failed write to one flush only, so it is kept here.
    bool Stop(std::string* error = nullptr);

private:
    void Run();

    std::FILE* m_file;
    std::intptr_t m_handle;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_wanted = false;
    bool m_stopping = false;
    std::string m_failure;  // the first failed flush's reason
    std::thread m_thread;  // started by the first request
};

}  // namespace kerfmax
