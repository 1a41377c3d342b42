#include "platform/PathText.h"

namespace kerfmax {

// POSIX names are bytes, and ours are UTF-8: nothing to convert.
std::string PathToUtf8(const std::filesystem::path& path)
{
    return path.native();
}

std::filesystem::path PathFromUtf8(std::string_view text)
{
    return std::filesystem::path(std::string(text));
}

bool SlashBeginsAbsolutePaths()
{
    return true;
}

}  // namespace kerfmax
