#include "host/WorkspaceFileEdit.h"

#include "host/HostIdentifiers.h"
#include "platform/AtomicFile.h"
#include "xml/XmlDocument.h"
#include "platform/PathText.h"

namespace kerfmax {

namespace {

WorkspaceEditResult Failed(std::string problem)
{
    return {WorkspaceEditStatus::Failed, std::move(problem)};
}

}  // namespace

bool KeepBackupOnce(const std::filesystem::path& file, std::string& problem)
{
    std::filesystem::path backup = file;
    backup += std::string(kBackupSuffix);
    std::error_code ec;
    if (std::filesystem::exists(backup, ec)) return true;
    std::string error;
    if (CopyFileAtomically(file, backup, &error)) return true;
    problem = "cannot keep a backup " + PathToUtf8(backup) + ": " + error;
    return false;
}

int RemoveWorkspaceLeftovers(const std::filesystem::path& file)
{
    std::filesystem::path backup = file;
    backup += std::string(kBackupSuffix);
    return RemoveStaleTemporaries(file) + RemoveStaleTemporaries(backup);
}

WorkspaceEditResult EditWorkspaceFile(const std::filesystem::path& file, const WorkspaceEdit& edit, bool keepBackup)
{
    // An ill-formed file still loads; its recognisable elements are edited.
    // A folder or a file that cannot be read is a failure, not an empty
    // workspace that would pass as unchanged.
    XmlDocument document;
    std::string problem;
    if (!document.LoadFile(file, &problem) && !problem.empty())
        return Failed("cannot read " + PathToUtf8(file) + ": " + problem);
    if (!edit(document)) return {WorkspaceEditStatus::Unchanged, {}};

    std::string edited;
    if (!document.SaveToBytes(edited)) return Failed("cannot encode the edited " + PathToUtf8(file));
    if (keepBackup && !KeepBackupOnce(file, problem)) return Failed(problem);
    std::string error;
    if (!WriteFileAtomically(file, edited, &error)) return Failed("cannot write " + PathToUtf8(file) + ": " + error);
    return {WorkspaceEditStatus::Written, {}};
}

}  // namespace kerfmax
