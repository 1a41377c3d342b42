#pragma once
// The folder of the running program, where the macro project and the icon
// files are shipped.
#include <filesystem>

namespace kerfmax {

// The running executable's folder; empty when it cannot be found.
std::filesystem::path GetAppFolder();

}  // namespace kerfmax
