#include "geometry/PenCommand.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "geometry/OutputSink.h"

namespace kerfmax {

namespace {

constexpr char kField[] = "%ld";
constexpr std::size_t kFieldLength = sizeof kField - 1;

// A 64-bit number with its sign.
constexpr std::size_t kMaxDigits = 20;

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

}  // namespace kerfmax
