#include "geometry/DecimalDigits.h"

#include <charconv>

namespace kerfmax {

char* WriteLongNumber(std::int64_t value, char* out)
{
    constexpr int kMostCharacters = 20;  // "-9223372036854775808"
    return std::to_chars(out, out + kMostCharacters, value).ptr;
}

}  // namespace kerfmax
