#pragma once
// Replacing a file so that a reader sees either the old or the new content,
// never a half-written one, and a power cut loses neither: write a temporary
// file beside the target, flush it to disk, rename it over the target, flush
// the folder. A symbolic link at the target is written through (its target is
// replaced, the link stays), and the replaced file keeps its permissions.
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace kerfmax {

// Returns true on success. On failure the target is untouched, the temporary
// file is removed and *error (when given) holds the system's reason.
bool WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes, std::string* error = nullptr);

// Copies a file onto target the same way (used by Save to File and backups).
// A new target takes the source's permissions, an existing one keeps its own.
bool CopyFileAtomically(const std::filesystem::path& source, const std::filesystem::path& target,
                        std::string* error = nullptr);

// Reads a whole file into *bytes, reserving extraCapacity bytes behind it.
// A folder, a missing file or a read error gives false with *error.
bool ReadWholeFile(const std::filesystem::path& file, std::string* bytes, std::string* error = nullptr,
                   std::size_t extraCapacity = 0);

// The file a replacement of target must rename onto: target itself, or what
// the chain of symbolic links at target ends in.
std::filesystem::path ReplacementTarget(const std::filesystem::path& target);

// A unique name for a temporary file beside target, holding this process's id
// (the file is not created).
// Callers that replace through a link pass ReplacementTarget(target).
std::filesystem::path TemporarySibling(const std::filesystem::path& target);

// Puts a finished, closed temporary file (made beside ReplacementTarget(target))
// in target's place: flushed to disk, given the permissions of the file it
// replaces (or of newFileModel when there is none yet), renamed, the folder
// flushed. On failure the temporary file is removed.
bool CommitTemporaryFile(const std::filesystem::path& temporary, const std::filesystem::path& target,
                         std::string* error = nullptr, const std::filesystem::path& newFileModel = {});

// Removes the temporary files that interrupted replacements of target left
// behind (files named by TemporarySibling for this very target, beside it or
// beside the file its link names) whose owning process has ended; a
// replacement that another process is making at the same time is left alone.
// Returns how many were removed.
int RemoveStaleTemporaries(const std::filesystem::path& target);

}  // namespace kerfmax
