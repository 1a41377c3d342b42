#include "geometry/OutputOptions.h"

#include <cstdio>

namespace kerfmax {

std::string FormatPenCommand(const std::string& format, long first, long second)
{
    char buffer[64];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    int n = std::snprintf(buffer, sizeof buffer, format.c_str(), first, second);
#pragma GCC diagnostic pop
    return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
}

}  // namespace kerfmax
