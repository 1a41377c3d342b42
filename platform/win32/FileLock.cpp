#include "platform/FileLock.h"

#include <windows.h>

#include <thread>

#include "platform/SystemError.h"
#include "platform/win32/Win32Text.h"

namespace kerfmax {

namespace {

constexpr std::chrono::milliseconds kRetryPause{5};
// The locked range lies far past any content, so readers of the file are never held up.
constexpr DWORD kRangeOffsetHigh = 0x40000000;

bool SameFile(HANDLE a, HANDLE b)
{
    BY_HANDLE_FILE_INFORMATION first, second;
    return ::GetFileInformationByHandle(a, &first) && ::GetFileInformationByHandle(b, &second) &&
           first.dwVolumeSerialNumber == second.dwVolumeSerialNumber && first.nFileIndexHigh == second.nFileIndexHigh &&
           first.nFileIndexLow == second.nFileIndexLow;
}

HANDLE OpenShared(const std::filesystem::path& path, DWORD disposition)
{
    // Sharing delete lets a writer rename its new file over this one while it is locked.
    return ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// True when the name still leads to the locked file (no writer replaced it).
bool NameLeadsTo(const std::filesystem::path& path, HANDLE locked)
{
    win32::ScopedHandle named(OpenShared(path, OPEN_EXISTING));
    return named.Valid() && SameFile(named.Get(), locked);
}

}  // namespace

FileLock::FileLock(const std::filesystem::path& path, std::chrono::milliseconds wait)
{
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (true) {
        HANDLE file = OpenShared(path, OPEN_ALWAYS);
        if (file == INVALID_HANDLE_VALUE) {
            m_error = SystemErrorText(LastSystemErrorCode());
            return;
        }
        OVERLAPPED range{};
        range.OffsetHigh = kRangeOffsetHigh;
        if (::LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &range)) {
            if (NameLeadsTo(path, file)) {
                m_handle = reinterpret_cast<std::intptr_t>(file);
                return;
            }
            ::CloseHandle(file);  // replaced while we waited: closing releases its lock
            continue;
        }
        const DWORD error = ::GetLastError();
        ::CloseHandle(file);
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
