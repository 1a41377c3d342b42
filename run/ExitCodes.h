#pragma once
// The process exit codes that kerfmax-cli and an unattended window run
// (-HideUI -AutoSend) share, and the one mapping from how a run ended to them.
#include "run/CuttingRun.h"
#include "run/JobLoad.h"

namespace kerfmax {

enum ExitCode {
    kExitDone = 0,
    kExitUsage = 1,
    kExitNothingToCut = 2,  // nothing to cut, job not loaded, or a job the cutter cannot hold
    kExitOutputFailure = 3,  // output file or link failure
    kExitCancelled = 4,
};

int ExitCodeFor(SendResult result);
int ExitCodeFor(SaveResult result);
// kExitDone for a loaded job, kExitNothingToCut for every reason it did not load.
int ExitCodeFor(JobLoadStatus status);

}  // namespace kerfmax
