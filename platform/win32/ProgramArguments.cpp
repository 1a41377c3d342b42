#include "platform/ProgramArguments.h"

#include "platform/win32/Win32Text.h"  // windows.h first: shellapi.h needs its types

#include <shellapi.h>

namespace kerfmax {

std::vector<std::string> ProgramArguments(int argc, char** argv)
{
    int count = 0;
    LPWSTR* words = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (words == nullptr)  // out of memory: the narrow words are better than none
        return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>{};
    std::vector<std::string> arguments;
    for (int i = 1; i < count; ++i) arguments.push_back(win32::WideToUtf8(words[i]));
    ::LocalFree(words);
    return arguments;
}

}  // namespace kerfmax
