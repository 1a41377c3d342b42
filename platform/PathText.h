#pragma once
// Paths as text. Text inside the program is UTF-8; a path turns into text, and
// text into a path, only through these two, so that names with Chinese
// characters survive on Windows, where the system's names are UTF-16 and
// narrow text would mean the ANSI code page.
#include <filesystem>
#include <string>
#include <string_view>

namespace kerfmax {

std::string PathToUtf8(const std::filesystem::path& path);
std::filesystem::path PathFromUtf8(std::string_view text);

// True where absolute paths begin with '/', so that a word like "/home/a.hb"
// on a command line may be a file rather than a switch.
bool SlashBeginsAbsolutePaths();

}  // namespace kerfmax
