#include "run/SaveTarget.h"

#include <system_error>

namespace kerfmax {

std::filesystem::path ProposedSaveTarget(const std::filesystem::path& jobPath, const std::filesystem::path& lastFolder)
{
    std::filesystem::path name = jobPath.stem();
    if (name.empty()) name = "job";
    name += ".plt";
    std::error_code ec;
    if (!lastFolder.empty() && std::filesystem::is_directory(lastFolder, ec)) return lastFolder / name;
    return jobPath.parent_path() / name;
}

}  // namespace kerfmax
