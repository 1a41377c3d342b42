#include "host/AppFolder.h"

#ifdef _WIN32
#include <windows.h>
#include <vector>
#endif

namespace kerfmax {

std::filesystem::path GetAppFolder()
{
#ifdef _WIN32
    // Long paths: grow the buffer until the whole name fits.
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) return std::filesystem::path(std::wstring(buffer.data(), length)).parent_path();
        buffer.resize(buffer.size() * 2);
    }
#else
    std::error_code ec;
    auto executable = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : executable.parent_path();
#endif
}

}  // namespace kerfmax
