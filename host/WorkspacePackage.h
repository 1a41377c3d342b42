#pragma once
// A ".cdws" workspace package is a zip archive. To edit the workspace file in
// it we unpack it into a working folder of our own, edit, and pack the folder
// back, replacing the package only once the new archive is complete.
#include <filesystem>
#include <optional>
#include <string>

namespace kerfmax {

// Creates a fresh working folder beside the package (PackageWorkingFolder, or
// a numbered variant when that name is taken) and extracts the package into
// it. On failure nothing is left behind and *problem says why.
std::optional<std::filesystem::path> UnpackWorkspacePackage(const std::filesystem::path& package,
                                                            const std::string& sevenZipProgram, std::string& problem);

// Writes the working folder's content back into the package: the package is
// copied, the copy updated and then renamed over the package, so a failure
// leaves the package as it was. Before the first repack the original package
// is kept once beside it (package + kBackupSuffix).
bool RepackWorkspacePackage(const std::filesystem::path& package, const std::filesystem::path& workingFolder,
                            const std::string& sevenZipProgram, std::string& problem);

// Removes what an interrupted pass over the package left beside it: working
// folders, temporary package copies (with the archive tool's own temporary
// file) and temporary copies of the backup. Only names that a pass makes are
// touched. Returns how many were removed.
int RemovePackageLeftovers(const std::filesystem::path& package);

// Copies the three icon files from the program folder into the working
// folder's "content/icons" folder, replacing existing ones. False, with
// *problem, when any of them could not be copied.
bool CopyWorkspaceIcons(const std::filesystem::path& programFolder, const std::filesystem::path& workingFolder,
                        std::string& problem);

}  // namespace kerfmax
