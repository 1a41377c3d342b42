#pragma once
// Loading, editing and replacing one workspace XML file safely: the file is
// replaced atomically, only when the edit changed something, and the first
// edit keeps a copy of the original beside it.
#include <filesystem>
#include <functional>
#include <string>

namespace kerfmax {

class XmlDocument;

enum class WorkspaceEditStatus { Unchanged, Written, Failed };

struct WorkspaceEditResult {
    WorkspaceEditStatus status = WorkspaceEditStatus::Failed;
    std::string problem;  // set when status is Failed
};

// The edit returns true when it changed the document.
using WorkspaceEdit = std::function<bool(XmlDocument&)>;

// Copies file to file + kBackupSuffix unless that copy already exists, so the
// first edit's original survives every later one. False (with problem) when
// the copy cannot be made.
bool KeepBackupOnce(const std::filesystem::path& file, std::string& problem);

// Removes the temporary files that an interrupted replacement of file or of
// its backup left beside them. Returns how many were removed.
int RemoveWorkspaceLeftovers(const std::filesystem::path& file);

// keepBackup: before the first replacement, copy the original to
// file + kBackupSuffix unless that copy already exists.
WorkspaceEditResult EditWorkspaceFile(const std::filesystem::path& file, const WorkspaceEdit& edit, bool keepBackup);

}  // namespace kerfmax
