#include "geometry/PenCommand.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "geometry/OutputSink.h"

namespace kerfmax {

namespace {

constexpr char kField[] = "%ld";
constexpr std::size_t kFieldLength = sizeof kField - 1;

void AppendNumber(std::int64_t value, std::string& out)
{
    char digits[24];  // a 64-bit number with its sign fits in 20
    out.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

// Any other format: printf's reading of it (long is 32 bits on some systems).
std::string FormatWithPrintf(const std::string& format, long first, long second)
{
    char buffer[64];
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
    }
}

void PenFormat::AppendTo(std::int64_t first, std::int64_t second, std::string& out) const
{
    if (!m_split) {
        out += FormatWithPrintf(m_format, static_cast<long>(first), static_cast<long>(second));
        return;
    }
    out += m_head;
    AppendNumber(first, out);
    out += m_middle;
    AppendNumber(second, out);
    out += m_tail;
}

PenCommandWriter::PenCommandWriter(const CommandTexts& texts, OutputSink& sink)
    : m_up(texts.penUpFormat), m_down(texts.penDownFormat), m_sink(sink)
{
}

void PenCommandWriter::Write(const PenCommand& command)
{
    if (command.move == PenMove::None) return;
    m_line.clear();
    (command.move == PenMove::Up ? m_up : m_down).AppendTo(command.point.x, command.point.y, m_line);
    m_sink.Write(m_line);
}

bool PenCommandWriter::Failed() const
{
    return m_sink.Failed();
}

}  // namespace kerfmax
