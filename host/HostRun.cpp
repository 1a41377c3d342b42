#include "host/HostRun.h"

#include "host/HostRunSummary.h"
#include "host/MacroInstall.h"
#include "host/WorkspacePass.h"

namespace kerfmax {

HostRunReport RunHostIntegration(bool install, const HostEnvironment& environment)
{
    HostRunSummary summary;
    UpdateCorelWorkspaces(install, environment, summary);
    InstallCorelMacro(install, environment, summary);
    return {summary.ClosingMessage(install), summary.Problems(), summary.HasFailures()};
}

}  // namespace kerfmax
