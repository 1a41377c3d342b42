#pragma once
// Folders the program needs from the system. Each returns an empty path when
// the system cannot tell.
#include <filesystem>
#include <optional>
#include <string>

namespace kerfmax {

// The current user's documents folder (Windows: the personal-documents shell
// folder; POSIX: XDG_DOCUMENTS_DIR from the environment, else from
// user-dirs.dirs in $XDG_CONFIG_HOME or ~/.config, else ~/Documents).
std::filesystem::path DocumentsFolder();

// The system's temporary folder, ending with a separator so that a file name
// can be appended to its text.
std::filesystem::path TemporaryFolder();

// Makes a new folder, unique to this call, that only the current user can
// enter (POSIX: mode 0700 under XDG_RUNTIME_DIR when that is the user's own
// private folder, else under the temporary folder; Windows: under the user's
// temporary folder). Its name starts with prefix. std::nullopt (with *error)
// on failure.
std::optional<std::filesystem::path> CreatePrivateFolder(const std::string& prefix, std::string* error = nullptr);

// The folder of the running program's file, ending with a separator.
std::filesystem::path ProgramFolder();

}  // namespace kerfmax
