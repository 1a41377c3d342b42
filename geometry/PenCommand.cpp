#include "geometry/PenCommand.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstdio>
#include <cstring>

#include "geometry/OutputSink.h"

namespace kerfmax {

namespace {

constexpr char kField[] = "%ld";
constexpr std::size_t kFieldLength = sizeof kField - 1;

// A 64-bit number with its sign.
constexpr std::size_t kMaxDigits = 20;

// Up to eight decimal digits as ASCII in a 64-bit word, the first digit in the
// lowest byte, so that one 8-byte store writes them all. The digits are split
// in all lanes at once: the halves of four digits, their pairs, then single
// digits (multiplications by reciprocals, exact below these bounds).
std::uint64_t EightDigits(std::uint32_t value)  // value < 10^8
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
int DigitCount(std::uint32_t value)  // value < 10^9
{
    static constexpr std::uint32_t kPowers[] = {1,      10,      100,      1000,      10000,
                                                100000, 1000000, 10000000, 100000000, 1000000000};
    const std::uint32_t v = value | 1;  // the same count, and a bit length of at least 1
    const int guess = (std::bit_width(v) * 1233) >> 12;  // 1233 / 4096 is a hair above log10(2)
    return guess + (v >= kPowers[guess]);
}

constexpr std::size_t kPrintfLimit = 64;

// Any other format: printf's reading of it (long is 32 bits on some systems).
std::string FormatWithPrintf(const std::string& format, long first, long second)
{
    char buffer[kPrintfLimit];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    const int n = std::snprintf(buffer, sizeof buffer, format.c_str(), first, second);
#pragma GCC diagnostic pop
    return n > 0 ? std::string(buffer, std::min(static_cast<std::size_t>(n), sizeof buffer - 1)) : std::string();
}

}  // namespace

// Decimal digits as std::to_chars gives them. The common case (a job's
// coordinates, below 10^8) without a loop: all eight digits at once, the
// leading zeros shifted out; out needs 8 bytes of room beyond the number.
char* WriteNumber(std::int64_t value, char* out)
{
    constexpr std::int64_t kFastLimit = 99999999;
    if (std::endian::native != std::endian::little || value > kFastLimit || value < -kFastLimit)
        return std::to_chars(out, out + kMaxDigits, value).ptr;
    *out = '-';
    out += value < 0;
    const auto magnitude = static_cast<std::uint32_t>(value < 0 ? -value : value);
    const int length = DigitCount(magnitude);
    const std::uint64_t digits = EightDigits(magnitude) >> (8 * (8 - length));
    std::memcpy(out, &digits, sizeof digits);
    return out + length;
}

PenFormat::Piece::Piece(std::string piece) : text(std::move(piece))
{
    std::memcpy(padded, text.data(), std::min(text.size(), sizeof padded));
}

PenFormat::PenFormat(const std::string& format) : m_format(format)
{
    const std::size_t first = format.find('%');
    const std::size_t second = first == std::string::npos ? first : format.find('%', first + 1);
    m_split = second != std::string::npos && format.compare(first, kFieldLength, kField) == 0 &&
              format.compare(second, kFieldLength, kField) == 0 &&
              format.find('%', second + kFieldLength) == std::string::npos;
    if (m_split) {
        m_head = Piece(format.substr(0, first));
        m_middle = Piece(format.substr(first + kFieldLength, second - first - kFieldLength));
        m_tail = Piece(format.substr(second + kFieldLength));
        // The pieces' and numbers' fixed-size copies may write past the command's end.
        m_maxLength =
            m_head.text.size() + m_middle.text.size() + m_tail.text.size() + 2 * kMaxDigits + sizeof m_tail.padded;
    } else {
        m_maxLength = kPrintfLimit;
    }
}

char* PenFormat::WriteWithPrintf(std::int64_t first, std::int64_t second, char* out) const
{
    const std::string text = FormatWithPrintf(m_format, static_cast<long>(first), static_cast<long>(second));
    std::memcpy(out, text.data(), text.size());
    return out + text.size();
}

void PenFormat::AppendTo(std::int64_t first, std::int64_t second, std::string& out) const
{
    const std::size_t start = out.size();
    out.resize(start + m_maxLength);
    out.resize(static_cast<std::size_t>(WriteAt(first, second, out.data() + start) - out.data()));
}

PenCommandWriter::PenCommandWriter(const CommandTexts& texts, OutputSink& sink)
    : m_up(texts.penUpFormat), m_down(texts.penDownFormat), m_sink(sink)
{
    m_buffer.resize(kBufferSize + std::max(m_up.MaxLength(), m_down.MaxLength()));
}

PenCommandWriter::~PenCommandWriter()
{
    Flush();
}

void PenCommandWriter::Flush()
{
    if (m_used == 0) return;
    m_sink.Write(std::string_view(m_buffer.data(), m_used));
    m_flushed += m_used;
    m_used = 0;
}

bool PenCommandWriter::Failed() const
{
    return m_sink.Failed();
}

}  // namespace kerfmax
