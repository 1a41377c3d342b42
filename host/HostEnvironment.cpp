#include "host/HostEnvironment.h"

namespace kerfmax {

std::string DefaultSevenZipProgram([[maybe_unused]] const std::filesystem::path& programFolder)
{
#ifdef _WIN32
    return (programFolder / "7z.exe").string();
#else
    return "7z";
#endif
}

}  // namespace kerfmax
