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

// Takes the coordinate records of a job text one by one, as they are read.
class RecordReceiver {
public:
    virtual ~RecordReceiver() = default;
    virtual void Receive(const PathRecord& record) = 0;
    // The size of the text to come, when known: a hint for reserving memory.
    virtual void ExpectBytes(std::uint64_t /*bytes*/) {}
};

// Turns job text into records, fed in pieces of any size. The list always ends
// with a placeholder record unless the end record was seen (the flattening
// relies on that placeholder).
class JobTextReader {
public:
    JobTextReader();
    // Hands every coordinate record to receiver instead of keeping it: a large
    // job is then never held as records (TakePaths gives nothing).
    explicit JobTextReader(RecordReceiver& receiver);
    // Returns false once the end record has been read: the rest is never looked at.
    bool Feed(const char* data, std::size_t size);
    // Makes room for the records of about this many bytes of text (a hint only).
    void ExpectBytes(std::uint64_t bytes);
    // Interprets a last record that has no ";" (end of input).
    void Finish();
    bool Ended() const { return m_ended; }
    // False once a number was outside the signed 32-bit range (it is kept clamped
    // to the nearer limit, but the job it belongs to cannot be cut as drawn).
    bool NumbersFit() const { return m_numbersFit; }
    PathList TakePaths();

private:
    void StoreByte(char byte);
    void EndRecord();
    // r: one record's text, ended by its ";" or by a NUL.
    void Interpret(const char* r);
    void AddRecord(std::int32_t kind, int valueCount, const char* text);
    const char* ReadUsualRecord(const char* at, const char* end);
    void StoreRecord(std::int32_t kind, int valueCount);

    char m_buffer[kMaxRecordLength + 1];
    std::size_t m_length = 0;
    bool m_overlong = false;
    bool m_ended = false;
    bool m_numbersFit = true;
    RecordReceiver* m_receiver = nullptr;
    // Shared by every record: a number that fails to read leaves the value of
    // the previous coordinate record in place (0 before any record was read, so
    // a broken first record lands at the origin instead of on garbage).
    std::int32_t m_values[6] = {0, 0, 0, 0, 0, 0};
    PathList m_paths;
};

// Reads the job file at path into paths. Returns 1 when the path is empty or is
// not a plain file that can be opened (paths untouched), else 0.
int ReadJobFile(const std::filesystem::path& path, PathList& paths);

// Feeds the job file at path to reader, in large pieces. Returns 1 when the path
// is empty or is not a plain file that can be opened (nothing fed), else 0.
int FeedJobFile(const std::filesystem::path& path, JobTextReader& reader);

// The same reading on text already in memory.
PathList ParseJobText(std::string_view text);

}  // namespace kerfmax
