#include "host/WorkspacePass.h"

#include "host/HostPaths.h"
#include "host/ToolbarEdit.h"
#include "host/WorkspacePackage.h"
#include "platform/FileOps.h"
#include "platform/PathText.h"

namespace kerfmax {

namespace {

WorkspaceEditResult EditWorkspace(const std::filesystem::path& file, bool install, int corelVersion, bool keepBackup)
{
    return install ? AddToolbarToWorkspaceXml(file, corelVersion, keepBackup)
                   : RemoveToolbarFromWorkspaceXml(file, keepBackup);
}

bool Exists(const std::filesystem::path& path)
{
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

void UpdateFolderWorkspace(const CorelVersionRow& row, const std::string& value, bool install,
                           const HostEnvironment& environment, HostRunSummary& summary)
{
    auto stored = FolderWorkspaceFile(value);
    if (!stored) return;  // too short to name a workspace file
    auto file = environment.registry.ToLocalPath(*stored);
    if (!file) {
        summary.RecordProblem(row, "cannot locate the workspace " + *stored);
        return;
    }
    RemoveWorkspaceLeftovers(*file);
    // Removal from a workspace file that is gone has nothing to do.
    if (!install && !Exists(*file)) return;
    WorkspaceEditResult result = EditWorkspace(*file, install, row.major, true);
    if (result.status == WorkspaceEditStatus::Failed) summary.RecordProblem(row, result.problem);
}

// Edits the unpacked workspace; true when the package needs repacking.
bool EditUnpackedWorkspace(const CorelVersionRow& row, const std::filesystem::path& workingFolder, bool install,
                           const HostEnvironment& environment, HostRunSummary& summary)
{
    std::string problem;
    if (install && !CopyWorkspaceIcons(environment.programFolder, workingFolder, problem))
        summary.RecordProblem(row, problem);
    // The copy inside the package needs no backup: the package keeps one.
    WorkspaceEditResult result = EditWorkspace(PackageWorkspaceFile(workingFolder), install, row.major, false);
    if (result.status == WorkspaceEditStatus::Failed) {
        summary.RecordProblem(row, result.problem);
        return false;
    }
    return result.status == WorkspaceEditStatus::Written;
}

void UpdatePackageWorkspace(const CorelVersionRow& row, const std::string& value, bool install,
                            const HostEnvironment& environment, HostRunSummary& summary)
{
    auto package = environment.registry.ToLocalPath(value);
    if (!package) {
        summary.RecordProblem(row, "cannot locate the workspace " + value);
        return;
    }
    RemovePackageLeftovers(*package);
    if (!install && !Exists(*package)) return;
    std::string problem;
    auto workingFolder = UnpackWorkspacePackage(*package, environment.sevenZipProgram, problem);
    if (!workingFolder) {
        summary.RecordProblem(row, problem);
        return;
    }
    if (EditUnpackedWorkspace(row, *workingFolder, install, environment, summary) &&
        !RepackWorkspacePackage(*package, *workingFolder, environment.sevenZipProgram, problem))
        summary.RecordProblem(row, problem);
    if (!DeleteFolderTree(*workingFolder))
        summary.RecordProblem(row, "cannot remove the working folder " + PathToUtf8(*workingFolder));
}

}  // namespace

void UpdateCorelWorkspaces(bool install, const HostEnvironment& environment, HostRunSummary& summary)
{
    for (const auto& row : CorelVersionTable) {
        auto value = environment.registry.ReadString(std::string(row.programKey), std::string(row.workspaceValue));
        if (!value) continue;
        if (row.kind == WorkspaceKind::Folder) UpdateFolderWorkspace(row, *value, install, environment, summary);
        else UpdatePackageWorkspace(row, *value, install, environment, summary);
    }
}

}  // namespace kerfmax
