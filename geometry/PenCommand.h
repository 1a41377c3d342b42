#pragma once
// Pen commands as numbers, and their one formatting into the dialect's words.
// Nothing on the way from the point list to the output turns them into text
// before this.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

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
    // The sink's failure (a full disk, a cancelled run): the caller may stop early.
    bool Failed() const;
    // From now on, where each pen-up begins, counted from the writer's first byte.
    void RecordPenUpsInto(std::vector<std::uint64_t>* offsets) { m_penUps = offsets; }
    // Bytes written through this writer so far, flushed or not.
    std::uint64_t BytesWritten() const { return m_flushed + m_used; }

private:
    PenFormat m_up;
    PenFormat m_down;
    OutputSink& m_sink;
    std::string m_buffer;
    std::size_t m_used = 0;
    std::uint64_t m_flushed = 0;
    std::vector<std::uint64_t>* m_penUps = nullptr;
};

}  // namespace kerfmax
