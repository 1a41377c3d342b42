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

// The system's handle of an open stream's file, for FlushToDisk on another
// thread (which must not use the stream itself).
std::intptr_t SystemHandleOf(std::FILE* file);

// Waits until the bytes the system holds of the file are on disk. False, with
// the system's reason, when they cannot be written.
bool FlushToDisk(std::intptr_t handle, std::string* error = nullptr);

}  // namespace kerfmax
