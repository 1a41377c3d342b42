#pragma once
// Replacing a file so that a reader sees either the old or the new content,
// never a half-written one: write a temporary file in the same folder, then
// rename it over the target.
#include <filesystem>
#include <string>
#include <string_view>

namespace kerfmax {

// Returns true on success. On failure the target is untouched, the temporary
// file is removed and *error (when given) holds the system's reason.
bool WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                         std::string* error = nullptr);

// Copies a file onto target the same way (used by Save to File and backups).
bool CopyFileAtomically(const std::filesystem::path& source, const std::filesystem::path& target,
                        std::string* error = nullptr);

// A unique name for a temporary file beside target (the file is not created).
std::filesystem::path TemporarySibling(const std::filesystem::path& target);

}  // namespace kerfmax
