#include "platform/ProcessIdentity.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace kerfmax {

long CurrentProcessId()
{
    return static_cast<long>(::getpid());
}

bool ProcessIsAlive(long processId)
{
    if (processId <= 0) return false;
    // Signal 0 only asks; EPERM means the process exists but is not ours.
    return ::kill(static_cast<pid_t>(processId), 0) == 0 || errno == EPERM;
}

}  // namespace kerfmax
