#include "host/HostRun.h"

#include "host/HostRunSummary.h"
#include "host/MacroInstall.h"
#include "host/WorkspacePass.h"
#include "platform/ProcessRunner.h"
#include "platform/UserFolders.h"

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
    if (programFolder.empty()) programFolder = ProgramFolder();
    std::unique_ptr<Registry> registry = OpenCurrentUserRegistry();
    HostEnvironment environment{*registry, programFolder, BundledToolProgram(programFolder, "7z")};
    HostRunReport report = RunHostIntegration(install, environment);
    report.registryProblem = registry->LoadProblem();
    return report;
}

}  // namespace kerfmax
