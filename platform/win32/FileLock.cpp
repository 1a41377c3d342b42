#include "platform/FileLock.h"

#include <windows.h>

#include <thread>

#include "platform/SystemError.h"
#include "platform/win32/Win32Text.h"

namespace kerfmax {

namespace {

constexpr std::chrono::milliseconds kRetryPause{5};

// A file held open cannot be replaced by a rename here (the rename over it is
// refused while any handle is open), so the lock is held on a companion file
// beside it that nobody replaces.
std::filesystem::path CompanionOf(const std::filesystem::path& path)
{
    std::filesystem::path companion = path;
    companion += L".lock";
    return companion;
}

}  // namespace

FileLock::FileLock(const std::filesystem::path& path, std::chrono::milliseconds wait)
{
    const auto deadline = std::chrono::steady_clock::now() + wait;
    win32::ScopedHandle file(::CreateFileW(CompanionOf(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                           FILE_ATTRIBUTE_HIDDEN, nullptr));
    if (!file.Valid()) {
        m_error = SystemErrorText(LastSystemErrorCode());
        return;
    }
    while (true) {
        OVERLAPPED range{};
        if (::LockFileEx(file.Get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &range)) {
            m_handle = reinterpret_cast<std::intptr_t>(file.Release());
            return;
        }
        const DWORD error = ::GetLastError();
        if (error != ERROR_LOCK_VIOLATION && error != ERROR_IO_PENDING) {
            m_error = SystemErrorText(static_cast<int>(error));
            return;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            m_error = "another program holds it locked";
            m_timedOut = true;
            return;
        }
        std::this_thread::sleep_for(kRetryPause);
    }
}

FileLock::~FileLock()
{
    if (Held()) ::CloseHandle(reinterpret_cast<HANDLE>(m_handle));  // closing releases the lock
}

}  // namespace kerfmax
