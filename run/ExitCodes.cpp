#include "run/ExitCodes.h"

namespace kerfmax {

int ExitCodeFor(SendResult result)
{
    switch (result) {
    case SendResult::Finished: return kExitDone;
    case SendResult::NothingToCut:
    case SendResult::OutOfRange: return kExitNothingToCut;
    case SendResult::Cancelled: return kExitCancelled;
    case SendResult::Failed:
    case SendResult::NoCutter:
    case SendResult::ConnectFailed:
    case SendResult::OutputFailed: return kExitOutputFailure;
    }
    return kExitOutputFailure;
}

int ExitCodeFor(SaveResult result)
{
    switch (result) {
    case SaveResult::Saved: return kExitDone;
    case SaveResult::NoJob:
    case SaveResult::OutOfRange: return kExitNothingToCut;
    case SaveResult::Cancelled: return kExitCancelled;
    case SaveResult::Failed: return kExitOutputFailure;
    }
    return kExitOutputFailure;
}

int ExitCodeFor(JobLoadStatus status)
{
    return status == JobLoadStatus::Loaded ? kExitDone : kExitNothingToCut;
}

}  // namespace kerfmax
