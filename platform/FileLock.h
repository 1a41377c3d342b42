#pragma once
// An exclusive lock across processes (and across objects of one process) on a
// file that writers replace by renaming a new file over it. The lock is taken
// on the file the name leads to at that moment; when a writer has replaced it
// meanwhile, the new file is locked instead, so every holder locks the file
// that is current. A missing file is created empty, as a settings read would.
// On Windows, where a rename cannot replace a file that a handle holds open,
// the lock is held on a companion file "<name>.lock" beside it instead.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>

namespace kerfmax {

class FileLock {
public:
    // Waits at most `wait` for another holder; Held() tells whether it got the lock.
    FileLock(const std::filesystem::path& path, std::chrono::milliseconds wait);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    bool Held() const { return m_handle != kNoHandle; }
    // Why the lock was not taken (the system's text, or that the wait ran out).
    const std::string& Error() const { return m_error; }
    // The file was there but another holder kept it for the whole wait.
    bool TimedOut() const { return m_timedOut; }

private:
    static constexpr std::intptr_t kNoHandle = -1;
    std::intptr_t m_handle = kNoHandle;  // a descriptor (POSIX) or a HANDLE (Windows)
    std::string m_error;
    bool m_timedOut = false;
};

}  // namespace kerfmax
