#pragma once
// The job data file written by the host's macro: records "PU" x "," y ";",
// "PD" x "," y ";", "BZ" x1,y1,x2,y2,x3,y3 ";" and the end record "SP0;".
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "geometry/PathTypes.h"

namespace kerfmax {

// Longest record kept, its ";" included; longer records are skipped whole.
inline constexpr std::size_t kMaxRecordLength = 255;

// Turns job text into records, fed in pieces of any size. The list always ends
// with a placeholder record unless the end record was seen (the flattening
// relies on that placeholder).
class JobTextReader {
public:
    JobTextReader();
    // Returns false once the end record has been read: the rest is never looked at.
    bool Feed(const char* data, std::size_t size);
    // Makes room for the records of about this many bytes of text (a hint only).
    void ExpectBytes(std::uint64_t bytes);
    // Interprets a last record that has no ";" (end of input).
    void Finish();
    bool Ended() const { return m_ended; }
    PathList TakePaths();

private:
    void StoreByte(char byte);
    void EndRecord();
    void Interpret();
    void AddRecord(std::int32_t kind, int valueCount);

    char m_buffer[kMaxRecordLength + 1];
    std::size_t m_length = 0;
    bool m_overlong = false;
    bool m_ended = false;
    // Shared by every record: a number that fails to read leaves the value of
    // the previous coordinate record in place (0 before any record was read, so
    // a broken first record lands at the origin instead of on garbage).
    std::int32_t m_values[6] = {0, 0, 0, 0, 0, 0};
    PathList m_paths;
};

// Reads the job file at path into paths. Returns 1 when the path is empty or is
// not a plain file that can be opened (paths untouched), else 0.
int ReadJobFile(const std::filesystem::path& path, PathList& paths);

// The same reading on text already in memory.
PathList ParseJobText(std::string_view text);

}  // namespace kerfmax
