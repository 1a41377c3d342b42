#pragma once
// The operating-system half of platform/AtomicFile: what the C and C++
// libraries cannot do portably (flush to the device, permissions, owners).
#include <cstdio>
#include <filesystem>
#include <string>

namespace kerfmax::atomic_file {

// Creates a new file exclusively (never an existing name). A private file is
// readable by its owner only until CommitTemporaryFile gives it its final
// permissions, so that a private target's content is never exposed on the way.
std::FILE* CreateTemporaryFile(const std::filesystem::path& path, bool privateMode, int* error);

// Flushes a closed file to the storage device, first giving it the
// permissions (and, where allowed, the owner) of model when model is not empty.
bool FinishTemporaryFile(const std::filesystem::path& path, const std::filesystem::path& model, std::string* error);

// Renames a finished temporary file over target, replacing it in one step.
bool RenameOver(const std::filesystem::path& temporary, const std::filesystem::path& target, std::string* error);

// Flushes a folder's entries (a rename inside it) to the storage device.
// Best effort: file systems that cannot do it are not an error.
void SyncFolder(const std::filesystem::path& folder);

}  // namespace kerfmax::atomic_file
