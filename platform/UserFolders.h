#pragma once
// Folders the program needs from the system. Each returns an empty path when
// the system cannot tell.
#include <filesystem>

namespace kerfmax {

// The current user's documents folder (Windows: the personal-documents shell
// folder; POSIX: XDG_DOCUMENTS_DIR from the environment, else from
// user-dirs.dirs in $XDG_CONFIG_HOME or ~/.config, else ~/Documents).
std::filesystem::path DocumentsFolder();

// The system's temporary folder, ending with a separator so that a file name
// can be appended to its text.
std::filesystem::path TemporaryFolder();

// The folder of the running program's file, ending with a separator.
std::filesystem::path ProgramFolder();

}  // namespace kerfmax
