#include "geometry/PenCommand.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>

#include "geometry/OutputSink.h"

namespace kerfmax {

namespace {

constexpr char kField[] = "%ld";
constexpr std::size_t kFieldLength = sizeof kField - 1;

// Plenty for a million commands per few hundred sink writes.
constexpr std::size_t kWriterBuffer = 64 * 1024;
// A 64-bit number with its sign.
constexpr std::size_t kMaxDigits = 20;

int DigitCount(std::uint32_t value)
{
    // Comparisons rather than divisions: they do not wait on each other.
    return 1 + (value >= 10) + (value >= 100) + (value >= 1000) + (value >= 10000) + (value >= 100000) +
           (value >= 1000000) + (value >= 10000000) + (value >= 100000000) + (value >= 1000000000);
}

// Decimal digits as std::to_chars gives them; the common case (coordinates of
// a job) by pairs of digits, which is several times faster.
char* WriteNumber(std::int64_t value, char* out)
{
    constexpr std::int64_t kFastLimit = 4294967295;
    if (value > kFastLimit || value < -kFastLimit) return std::to_chars(out, out + kMaxDigits, value).ptr;
    static constexpr char kPairs[] =
        "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
        "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
        "8081828384858687888990919293949596979899";
    if (value < 0) *out++ = '-';
    std::uint32_t magnitude = static_cast<std::uint32_t>(value < 0 ? -value : value);
    // The digits are written from the last one back, straight into place.
    const int length = DigitCount(magnitude);
    char* at = out + length;
    while (magnitude >= 100) {
        const std::uint32_t pair = (magnitude % 100) * 2;
        magnitude /= 100;
        *--at = kPairs[pair + 1];
        *--at = kPairs[pair];
    }
    if (magnitude >= 10) {
        *--at = kPairs[magnitude * 2 + 1];
        *--at = kPairs[magnitude * 2];
    } else {
        *--at = static_cast<char>('0' + magnitude);
    }
    return out + length;
}

char* WriteText(const std::string& text, char* out)
{
    for (char c : text) *out++ = c;  // a word or a separator
    return out;
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

PenFormat::PenFormat(const std::string& format) : m_format(format)
{
    const std::size_t first = format.find('%');
    const std::size_t second = first == std::string::npos ? first : format.find('%', first + 1);
    m_split = second != std::string::npos && format.compare(first, kFieldLength, kField) == 0 &&
              format.compare(second, kFieldLength, kField) == 0 &&
              format.find('%', second + kFieldLength) == std::string::npos;
    if (m_split) {
        m_head = format.substr(0, first);
        m_middle = format.substr(first + kFieldLength, second - first - kFieldLength);
        m_tail = format.substr(second + kFieldLength);
        m_maxLength = m_head.size() + m_middle.size() + m_tail.size() + 2 * kMaxDigits;
    } else {
        m_maxLength = kPrintfLimit;
    }
}

char* PenFormat::WriteAt(std::int64_t first, std::int64_t second, char* out) const
{
    if (!m_split)
        return WriteText(FormatWithPrintf(m_format, static_cast<long>(first), static_cast<long>(second)), out);
    out = WriteText(m_head, out);
    out = WriteNumber(first, out);
    out = WriteText(m_middle, out);
    out = WriteNumber(second, out);
    return WriteText(m_tail, out);
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
    m_buffer.resize(kWriterBuffer + std::max(m_up.MaxLength(), m_down.MaxLength()));
}

PenCommandWriter::~PenCommandWriter()
{
    Flush();
}

void PenCommandWriter::Write(const PenCommand& command)
{
    if (command.move == PenMove::None) return;
    const PenFormat& format = command.move == PenMove::Up ? m_up : m_down;
    if (m_penUps && command.move == PenMove::Up) m_penUps->push_back(m_flushed + m_used);
    m_used = static_cast<std::size_t>(format.WriteAt(command.point.x, command.point.y, m_buffer.data() + m_used) -
                                      m_buffer.data());
    if (m_used >= kWriterBuffer) Flush();
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
