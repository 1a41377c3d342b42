#include "platform/ProcessIdentity.h"

#include <windows.h>

#include "platform/win32/Win32Text.h"

namespace kerfmax {

long CurrentProcessId()
{
    return static_cast<long>(::GetCurrentProcessId());
}

bool ProcessIsAlive(long processId)
{
    if (processId <= 0) return false;
    win32::ScopedHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(processId)));
    // Denied access means the process exists but belongs to someone else.
    if (!process.Valid()) return ::GetLastError() == ERROR_ACCESS_DENIED;
    DWORD code = 0;
    return ::GetExitCodeProcess(process.Get(), &code) && code == STILL_ACTIVE;
}

}  // namespace kerfmax
