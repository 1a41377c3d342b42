#pragma once
// The second host pass: copy our macro project into every found host
// version's macro folder (registration) or delete it there (removal).
#include <filesystem>
#include <string>

#include "host/HostEnvironment.h"
#include "host/HostRunSummary.h"

namespace kerfmax {

// Every version with a user folder value is recorded as found; a failed copy
// or deletion is recorded as a problem of that version.
void InstallCorelMacro(bool install, const HostEnvironment& environment, HostRunSummary& summary);

// One version: creates the macro folder when it is missing (in both modes),
// then copies programFolder/"Kerfmax.dll" to macroFolder/"Kerfmax.gms",
// replacing it, or deletes that file. A file that is already gone counts as
// deleted. False, with *problem, on failure.
bool CopyMacroProject(const std::filesystem::path& macroFolder, const std::filesystem::path& programFolder,
                      bool install, std::string& problem);

}  // namespace kerfmax
