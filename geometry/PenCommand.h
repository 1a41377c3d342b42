#pragma once
// Pen commands as numbers, and their one formatting into the dialect's words.
// Nothing on the way from the point list to the output turns them into text
// before this.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "geometry/DecimalDigits.h"
#include "geometry/OutputOptions.h"

namespace kerfmax {

class OutputSink;

// A point in cutter coordinates (first axis, second axis). 64 bits: the frame
// margins and the compensation may reach past the job's 32-bit range.
struct PenPoint {
    std::int64_t x = 0;
    std::int64_t y = 0;
    bool operator==(const PenPoint&) const = default;
};

// None stands for a placeholder node: it writes nothing and ends the path under way.
enum class PenMove : std::int8_t { Up, Down, None };

struct PenCommand {
    PenMove move = PenMove::None;
    PenPoint point;
    bool operator==(const PenCommand&) const = default;
};

// A dialect's "%ld,%ld" format split once into its literal pieces, so that a
// million commands need no format parsing and 64-bit values print whole on
// every platform (long is 32 bits on Windows). Other formats go through printf.
class PenFormat {
public:
    explicit PenFormat(const std::string& format);
    // Appends the command for (first, second) to out.
    void AppendTo(std::int64_t first, std::int64_t second, std::string& out) const;
    // Writes it at out, which has room for MaxLength() bytes; returns the end.
    // Inline, with the writer's Write: they run for every point of a job.
    char* WriteAt(std::int64_t first, std::int64_t second, char* out) const;
    std::size_t MaxLength() const { return m_maxLength; }

    // A literal piece of the format, also kept zero-padded for a fixed-size copy.
    struct Piece {
        Piece() = default;
        explicit Piece(std::string piece);
        std::string text;
        char padded[16] = {};
    };

private:
    static char* WritePiece(const Piece& piece, char* out);
    char* WriteWithPrintf(std::int64_t first, std::int64_t second, char* out) const;

    std::string m_format;
    bool m_split = false;
    Piece m_head, m_middle, m_tail;
    std::size_t m_maxLength = 0;
};

// Writes pen commands in the dialect's words to a sink, gathered into large
// pieces. Flush() before anything else is written to the sink.
class PenCommandWriter {
public:
    PenCommandWriter(const CommandTexts& texts, OutputSink& sink);
    ~PenCommandWriter();
    PenCommandWriter(const PenCommandWriter&) = delete;
    PenCommandWriter& operator=(const PenCommandWriter&) = delete;

    void Write(const PenCommand& command);
    void Up(std::int64_t first, std::int64_t second) { Write({PenMove::Up, {first, second}}); }
    void Down(std::int64_t first, std::int64_t second) { Write({PenMove::Down, {first, second}}); }
    void Flush();
    // From now on, where each pen-up begins, counted from the writer's first byte.
    void RecordPenUpsInto(std::vector<std::uint64_t>* offsets) { m_penUps = offsets; }
    // Bytes written through this writer so far, flushed or not.
    std::uint64_t BytesWritten() const { return m_flushed + m_used; }

private:
    // Plenty for a million commands per few hundred sink writes.
    static constexpr std::size_t kBufferSize = 64 * 1024;

    PenFormat m_up;
    PenFormat m_down;
    OutputSink& m_sink;
    std::string m_buffer;
    std::size_t m_used = 0;
    std::uint64_t m_flushed = 0;
    std::vector<std::uint64_t>* m_penUps = nullptr;
};

// The usual short words with one fixed-size copy.
inline char* PenFormat::WritePiece(const Piece& piece, char* out)
{
    const std::size_t length = piece.text.size();
    if (length <= sizeof piece.padded) std::memcpy(out, piece.padded, sizeof piece.padded);
    else std::memcpy(out, piece.text.data(), length);
    return out + length;
}

inline char* PenFormat::WriteAt(std::int64_t first, std::int64_t second, char* out) const
{
    if (!m_split) return WriteWithPrintf(first, second, out);
    out = WritePiece(m_head, out);
    out = WriteNumber(first, out);
    out = WritePiece(m_middle, out);
    out = WriteNumber(second, out);
    return WritePiece(m_tail, out);
}

inline void PenCommandWriter::Write(const PenCommand& command)
{
    if (command.move == PenMove::None) return;
    const PenFormat& format = command.move == PenMove::Up ? m_up : m_down;
    if (m_penUps && command.move == PenMove::Up) m_penUps->push_back(m_flushed + m_used);
    m_used = static_cast<std::size_t>(format.WriteAt(command.point.x, command.point.y, m_buffer.data() + m_used) -
                                      m_buffer.data());
    if (m_used >= kBufferSize) Flush();
}

}  // namespace kerfmax
