#include "host/MacroInstall.h"

#include "host/HostIdentifiers.h"
#include "host/HostPaths.h"
#include "platform/AtomicFile.h"
#include "platform/FileOps.h"
#include "platform/PathText.h"

namespace kerfmax {

bool CopyMacroProject(const std::filesystem::path& macroFolder, const std::filesystem::path& programFolder,
                      bool install, std::string& problem)
{
    bool folderReady = EnsureFolder(macroFolder, &problem);
    std::filesystem::path target = macroFolder / kMacroProjectTarget;
    RemoveStaleTemporaries(target);  // of an interrupted earlier copy
    if (!install) return DeleteFileIfPresent(target, &problem);
    if (!folderReady) return false;
    std::filesystem::path source = programFolder / kMacroProjectSource;
    std::string error;
    if (CopyFileAtomically(source, target, &error)) return true;
    problem = "cannot copy " + PathToUtf8(source) + " to " + PathToUtf8(target) + ": " + error;
    return false;
}

void InstallCorelMacro(bool install, const HostEnvironment& environment, HostRunSummary& summary)
{
    for (const auto& row : CorelVersionTable) {
        auto userFolder = environment.registry.ReadString(DirectoriesKey(row), std::string(kUserFolderValue));
        if (!userFolder) continue;
        summary.RecordMacroFolderFound(row);
        std::string stored = MacroFolder(*userFolder);
        auto macroFolder = environment.registry.ToLocalPath(stored);
        std::string problem;
        if (!macroFolder) summary.RecordProblem(row, "cannot locate the macro folder " + stored);
        else if (!CopyMacroProject(*macroFolder, environment.programFolder, install, problem))
            summary.RecordProblem(row, problem);
    }
}

}  // namespace kerfmax
