#include "host/HostRun.h"

#include "host/AppFolder.h"
#include "host/HostRunSummary.h"
#include "host/MacroInstall.h"
#include "host/WorkspacePass.h"

namespace kerfmax {

HostRunReport RunHostIntegration(bool install, const HostEnvironment& environment)
{
    HostRunSummary summary;
    UpdateCorelWorkspaces(install, environment, summary);
    InstallCorelMacro(install, environment, summary);
    return {summary.ClosingMessage(install), summary.Problems(), summary.HasFailures(), {}};
}

HostRunReport RunHostIntegrationForCurrentUser(bool install, std::filesystem::path programFolder)
{
    if (programFolder.empty()) programFolder = GetAppFolder();
    std::unique_ptr<Registry> registry = OpenCurrentUserRegistry();
    HostEnvironment environment{*registry, programFolder, DefaultSevenZipProgram(programFolder)};
    HostRunReport report = RunHostIntegration(install, environment);
    report.registryProblem = registry->LoadProblem();
    return report;
}

}  // namespace kerfmax
