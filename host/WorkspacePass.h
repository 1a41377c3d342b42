#pragma once
// The first host pass: for every host version whose current workspace is
// recorded in the registry, add our toolbar to it (registration) or take it
// out (removal). Folder workspaces are edited in place; package workspaces
// are unpacked, edited and packed again.
#include "host/HostEnvironment.h"
#include "host/HostRunSummary.h"

namespace kerfmax {

// Failures are recorded in the summary against their version; a version
// without a workspace value is skipped silently.
void UpdateCorelWorkspaces(bool install, const HostEnvironment& environment, HostRunSummary& summary);

}  // namespace kerfmax
