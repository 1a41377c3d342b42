#pragma once
// Writing whole numbers in decimal, as std::to_chars does, for a job's
// coordinates (millions of them per output): below 10^8 without a loop or a
// branch per digit. Inline, since they run for every number written.
#include <bit>
#include <cstdint>
#include <cstring>

namespace kerfmax {

// Any 64-bit value; out has room for 20 bytes. Returns the end.
char* WriteLongNumber(std::int64_t value, char* out);

// Up to eight decimal digits as ASCII in a 64-bit word, the first digit in the
// lowest byte, so that one 8-byte store writes them all. The digits are split
// in all lanes at once: the halves of four digits, their pairs, then single
// digits (multiplications by reciprocals, exact below these bounds).
inline std::uint64_t EightDigits(std::uint32_t value)  // value < 10^8
{
    const std::uint64_t halves = (value % 10000) | (std::uint64_t{value / 10000} << 32);
    const std::uint64_t pairs = halves + (0x10000 - 100) * (((halves * 10486) >> 20) & 0x0000007F0000007Full);
    const std::uint64_t digits = pairs + (0x100 - 10) * (((pairs * 103) >> 10) & 0x000F000F000F000Full);
    // The last digit came out in the lowest byte: reverse them, make them ASCII.
#ifdef _MSC_VER
    return _byteswap_uint64(digits) | 0x3030303030303030ull;
#else
    return __builtin_bswap64(digits) | 0x3030303030303030ull;
#endif
}

// How many digits value has (1 for 0), from its bit length.
inline int DigitCount(std::uint32_t value)  // value < 10^9
{
    static constexpr std::uint32_t kPowers[] = {1,      10,      100,      1000,      10000,
                                                100000, 1000000, 10000000, 100000000, 1000000000};
    const std::uint32_t v = value | 1;  // the same count, and a bit length of at least 1
    const int guess = (std::bit_width(v) * 1233) >> 12;  // 1233 / 4096 is a hair above log10(2)
    return guess + (v >= kPowers[guess]);
}

// Writes value at out, which has room for 20 bytes plus 8 more that may be
// overwritten. Returns the end.
inline char* WriteNumber(std::int64_t value, char* out)
{
    constexpr std::int64_t kFastLimit = 99999999;
    if (std::endian::native != std::endian::little || value > kFastLimit || value < -kFastLimit)
        return WriteLongNumber(value, out);
    *out = '-';
    out += value < 0;
    const auto magnitude = static_cast<std::uint32_t>(value < 0 ? -value : value);
    const int length = DigitCount(magnitude);
    const std::uint64_t digits = EightDigits(magnitude) >> (8 * (8 - length));
    std::memcpy(out, &digits, sizeof digits);
    return out + length;
}

}  // namespace kerfmax
