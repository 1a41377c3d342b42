#include "platform/PathText.h"

#include "platform/win32/Win32Text.h"

namespace kerfmax {

std::string PathToUtf8(const std::filesystem::path& path)
{
    return win32::WideToUtf8(path.native());
}

std::filesystem::path PathFromUtf8(std::string_view text)
{
    return std::filesystem::path(win32::Utf8ToWide(text));
}

bool SlashBeginsAbsolutePaths()
{
    return false;
}

}  // namespace kerfmax
