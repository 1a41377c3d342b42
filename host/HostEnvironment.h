#pragma once
// What both host passes work with: the registry that tells where the host
// keeps its files, the folder our own shipped files lie in, and the archive tool.
#include <filesystem>
#include <string>

#include "platform/Registry.h"

namespace kerfmax {

struct HostEnvironment {
    const Registry& registry;
    // Holds "Kerfmax.dll" and the three icon files.
    std::filesystem::path programFolder;
    // The 7-Zip command-line program: a path, or a name searched on PATH.
    std::string sevenZipProgram;
};

}  // namespace kerfmax
