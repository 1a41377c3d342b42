#pragma once
// Paths derived from what the host stored in the registry. The stored values
// are Windows paths; these functions build further Windows paths from them,
// and Registry::ToLocalPath turns the result into a path we can open.
#include <filesystem>
#include <optional>
#include <string>

namespace kerfmax {

// The workspace value less its last four characters, then "\DRAWUIConfig.xml".
// std::nullopt for a value shorter than four characters: it names nothing.
std::optional<std::string> FolderWorkspaceFile(const std::string& workspaceValue);

// Where a package is unpacked for editing: beside it, named after the whole
// package file name + ".kerfmax-work", so that a pass that was interrupted can
// be told apart from anything the user or the host keeps there. When that
// name is taken the caller uses a numbered variant ("-2", "-3", ...).
std::filesystem::path PackageWorkingFolder(const std::filesystem::path& packageFile);
// True for the name of that folder or of one of its numbered variants.
bool IsPackageWorkingFolderName(const std::filesystem::path& packageFile, const std::string& name);

// Inside a package's working folder.
std::filesystem::path PackageWorkspaceFile(const std::filesystem::path& workingFolder);
std::filesystem::path PackageIconsFolder(const std::filesystem::path& workingFolder);

// The user folder value + "GMS". The host writes the value with a trailing
// backslash; one is supplied when it is missing, so the macro folder always
// lies inside the user folder rather than beside it.
std::string MacroFolder(const std::string& userFolderValue);
// The macro folder + "\Kerfmax.gms".
std::string MacroFile(const std::string& userFolderValue);

}  // namespace kerfmax
