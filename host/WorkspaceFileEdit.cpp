#include "host/WorkspaceFileEdit.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "host/HostIdentifiers.h"
#include "platform/AtomicFile.h"
#include "xml/XmlDocument.h"

namespace kerfmax {

namespace {

WorkspaceEditResult Failed(std::string problem) { return {WorkspaceEditStatus::Failed, std::move(problem)}; }

bool ReadWholeFile(const std::filesystem::path& file, std::string& bytes, std::string& problem)
{
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        problem = "cannot read " + file.string() + ": " + std::strerror(errno);
        return false;
    }
    std::ostringstream content;
    content << in.rdbuf();
    if (in.bad()) {
        problem = "cannot read " + file.string();
        return false;
    }
    bytes = content.str();
    return true;
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
    problem = "cannot keep a backup " + backup.string() + ": " + error;
    return false;
}

WorkspaceEditResult EditWorkspaceFile(const std::filesystem::path& file, const WorkspaceEdit& edit, bool keepBackup)
{
    std::string original, problem;
    if (!ReadWholeFile(file, original, problem)) return Failed(problem);

    // An ill-formed file still loads; its recognisable elements are edited.
    XmlDocument document;
    document.LoadFromBytes(original);
    if (!edit(document)) return {WorkspaceEditStatus::Unchanged, {}};

    std::string edited;
    if (!document.SaveToBytes(edited)) return Failed("cannot encode the edited " + file.string());
    if (keepBackup && !KeepBackupOnce(file, problem)) return Failed(problem);
    std::string error;
    if (!WriteFileAtomically(file, edited, &error)) return Failed("cannot write " + file.string() + ": " + error);
    return {WorkspaceEditStatus::Written, {}};
}

}  // namespace kerfmax
