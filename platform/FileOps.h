#pragma once
// Folder and file operations: creating folders and files that are ours alone,
// and removing trees and files.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

namespace kerfmax {

// Creates a new, empty folder named wanted, or, when that name is taken,
// wanted + "-2", "-3", ... beside it. Never takes over an existing folder.
// Returns the folder it created, or std::nullopt (with *error) on failure.
std::optional<std::filesystem::path> CreateUniqueFolder(const std::filesystem::path& wanted,
                                                        std::string* error = nullptr);

// Deletes a folder with everything in it. Symbolic links inside are removed,
// never followed. True when the folder itself is gone.
bool DeleteFolderTree(const std::filesystem::path& folder);

// Creates one folder level when it is missing. True when it exists afterwards.
bool EnsureFolder(const std::filesystem::path& folder, std::string* error = nullptr);

// Deletes one file. True when it is absent afterwards (also when it never existed).
bool DeleteFileIfPresent(const std::filesystem::path& file, std::string* error = nullptr);

// std::fopen for a path with any name: on Windows the wide call, since the
// narrow one reads the name in the ANSI code page. mode as for std::fopen.
std::FILE* OpenFile(const std::filesystem::path& path, const char* mode);

// Creates path as a new file open for binary writing; never opens a file that
// exists (then *alreadyExists is set). nullptr with *error on failure.
std::FILE* CreateNewFile(const std::filesystem::path& path, bool* alreadyExists, std::string* error = nullptr);

// Hands what was written to file so far to the system and asks it to start
// writing the bytes in [offset, offset + length) to disk without waiting, so
// that the flush to disk at the end of a long output has little left to do.
// Only a request: where the system has none, the bytes wait for that flush.
void StartWritingToDisk(std::FILE* file, std::uint64_t offset, std::uint64_t length);

}  // namespace kerfmax
