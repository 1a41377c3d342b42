#include "geometry/JobFile.h"

#include <cstdio>
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <vector>

#include "platform/FileOps.h"

namespace kerfmax {
namespace {

bool IsScanSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Reads one "%ld" at text: optional white space, optional sign, digits. Out-of-range
// numbers saturate at the 32-bit limits (coordinates are 32-bit) and clear fits.
// Returns the position after the number, or nullptr when no number is there.
const char* ReadLong(const char* text, std::int32_t& value, bool& fits)
{
    while (IsScanSpace(*text)) ++text;
    bool negative = false;
    if (*text == '+' || *text == '-') negative = *text++ == '-';
    if (!IsDigit(*text)) return nullptr;
    constexpr std::int64_t kLimit = std::int64_t{1} << 32;
    std::int64_t magnitude = 0;
    for (; IsDigit(*text); ++text) {
        if (magnitude < kLimit) magnitude = magnitude * 10 + (*text - '0');
    }
    const std::int64_t signedValue = negative ? -magnitude : magnitude;
    if (signedValue > std::numeric_limits<std::int32_t>::max()) {
        value = std::numeric_limits<std::int32_t>::max();
        fits = false;
    } else if (signedValue < std::numeric_limits<std::int32_t>::min()) {
        value = std::numeric_limits<std::int32_t>::min();
        fits = false;
    } else {
        value = static_cast<std::int32_t>(signedValue);
    }
    return text;
}

// "%ld,%ld,..." into values[0..count): stops at the first failure, leaving the
// remaining values as they were.
void ReadCommaSeparated(const char* text, std::int32_t* values, int count, bool& fits)
{
    for (int i = 0; i < count; ++i) {
        if (i > 0) {
            if (*text != ',') return;
            ++text;
        }
        text = ReadLong(text, values[i], fits);
        if (text == nullptr) return;
    }
}

// The ";" ending a record that starts at text and holds no line end or blank
// (which the reading rules drop or rewrite) and is not too long; nullptr when
// the record is not such, or does not end before end.
const char* PlainRecordEnd(const char* text, const char* end)
{
    const char* const last = text + std::min<std::size_t>(static_cast<std::size_t>(end - text), kMaxRecordLength);
    for (const char* at = text; at < last; ++at) {
        const char c = *at;
        if (c == ';') return at;
        if (c == '\r' || c == '\n' || c == ' ') return nullptr;
    }
    return nullptr;
}

}  // namespace

JobTextReader::JobTextReader()
{
    std::memset(m_buffer, 0, sizeof m_buffer);
    m_paths.push_back(PathRecord{});  // the record being filled is always the last
}

JobTextReader::JobTextReader(RecordReceiver& receiver) : JobTextReader()
{
    m_receiver = &receiver;
}

bool JobTextReader::Feed(const char* data, std::size_t size)
{
    const char* at = data;
    const char* const end = data + size;
    while (at < end && !m_ended) {
        if (m_length == 0 && !m_overlong) {
            // Between records: line ends are dropped, and a whole record that
            // reads the same without the rewriting is read where it lies.
            while (at < end && (*at == '\r' || *at == '\n')) ++at;
            if (const char* const next = ReadUsualRecord(at, end)) {
                at = next;
                continue;
            }
            const char* const recordEnd = PlainRecordEnd(at, end);
            if (recordEnd != nullptr) {
                Interpret(at);
                at = recordEnd + 1;
                continue;
            }
            if (at == end) break;
        }
        const char byte = *at++;
        if (byte == '\r' || byte == '\n') continue;
        StoreByte(byte == ' ' ? ',' : byte);
        if (byte == ';') EndRecord();
    }
    return !m_ended;
}

void JobTextReader::ExpectBytes(std::uint64_t bytes)
{
    if (m_receiver) {
        m_receiver->ExpectBytes(bytes);
        return;
    }
    // Real jobs spend 10 to 20 bytes on a record; the cap keeps a huge file of
    // junk from reserving memory it will never fill.
    constexpr std::uint64_t kMostRecordsReserved = std::uint64_t{1} << 21;
    m_paths.reserve(static_cast<std::size_t>(std::min(bytes / 12 + 1, kMostRecordsReserved)));
}

void JobTextReader::StoreByte(char byte)
{
    if (m_length < kMaxRecordLength) {
        m_buffer[m_length++] = byte;
    } else {
        m_overlong = true;
    }
}

void JobTextReader::EndRecord()
{
    // A record that does not fit the 255-character limit is malformed: skipping it
    // whole is safer than reading numbers cut off in the middle.
    if (!m_overlong) Interpret(m_buffer);
    std::memset(m_buffer, 0, m_length);
    m_length = 0;
    m_overlong = false;
}

void JobTextReader::Finish()
{
    if (!m_ended && (m_length > 0 || m_overlong)) EndRecord();
}

void JobTextReader::Interpret(const char* r)
{
    // The record is read as C text: a NUL byte ends it. Nothing here reads past
    // its ";", so r may also point into the text fed.
    if (r[0] == 'P' && r[1] == 'U' && r[2] != ';') {
        AddRecord(KIND_PEN_UP, 2, r);
    } else if (r[0] == 'P' && r[1] == 'D' && r[2] != ';') {
        AddRecord(KIND_PEN_DOWN, 2, r);
    } else if (r[0] == 'B' && r[1] == 'Z') {
        AddRecord(KIND_BEZIER, 6, r);
    } else if (std::strncmp(r, "SP0;", 4) == 0) {
        if (!m_receiver) m_paths.pop_back();  // the placeholder ahead is not needed any more
        m_ended = true;
    }
}

// A pen or curve record in its usual form ("PD12,-34;", "BZ1,2,3,4,5,6;"),
// read in one pass where it lies. Anything else (blanks, line ends, a '+',
// numbers of ten digits or more, text after the numbers, other records, a
// record cut by the end of the piece) gives nullptr, untouched, and is read the
// general way, which reads the usual form the same. Returns the end of the record.
const char* JobTextReader::ReadUsualRecord(const char* at, const char* end)
{
    if (end - at < 5 || !((at[0] == 'P' && (at[1] == 'U' || at[1] == 'D')) || (at[0] == 'B' && at[1] == 'Z')))
        return nullptr;
    const std::int32_t kind = at[0] == 'B' ? KIND_BEZIER : at[1] == 'U' ? KIND_PEN_UP : KIND_PEN_DOWN;
    const int count = kind == KIND_BEZIER ? 6 : 2;
    // Held in 64 bits: each is read back whole as it was written, which keeps
    // the copy below from waiting on pieces of two writes.
    std::int64_t values[6];
    const char* p = at + 2;
    for (int i = 0; i < count; ++i) {
        if (i > 0) {
            if (p == end || *p != ',') return nullptr;
            ++p;
        }
        const bool negative = p < end && *p == '-';
        p += negative;
        const char* const digits = p;
        const char* const mostDigits = end - p > 9 ? p + 9 : end;  // nine always fit 32 bits
        std::int32_t magnitude = 0;
        for (; p < mostDigits && IsDigit(*p); ++p) magnitude = magnitude * 10 + (*p - '0');
        if (p == digits || p == end || IsDigit(*p)) return nullptr;
        values[i] = negative ? -magnitude : magnitude;
    }
    if (p == end || *p != ';') return nullptr;
    for (int i = 0; i < count; ++i) m_values[i] = static_cast<std::int32_t>(values[i]);
    StoreRecord(kind, count);
    return p + 1;
}

void JobTextReader::AddRecord(std::int32_t kind, int valueCount, const char* text)
{
    ReadCommaSeparated(text + 2, m_values, valueCount, m_numbersFit);
    StoreRecord(kind, valueCount);
}

void JobTextReader::StoreRecord(std::int32_t kind, int valueCount)
{
    PathRecord& record = m_paths.back();
    record.kind = kind;
    for (int i = 0; i < valueCount; ++i) record.points[i] = m_values[i];
    if (m_receiver) {
        m_receiver->Receive(record);
        record = PathRecord{};
        return;
    }
    m_paths.push_back(PathRecord{});
}

PathList JobTextReader::TakePaths()
{
    if (m_receiver) return {};
    return std::move(m_paths);
}

PathList ParseJobText(std::string_view text)
{
    JobTextReader reader;
    reader.ExpectBytes(text.size());
    reader.Feed(text.data(), text.size());
    reader.Finish();
    return reader.TakePaths();
}

int ReadJobFile(const std::filesystem::path& path, PathList& paths)
{
    JobTextReader reader;
    if (FeedJobFile(path, reader) != 0) return 1;
    paths = reader.TakePaths();
    return 0;
}

int FeedJobFile(const std::filesystem::path& path, JobTextReader& reader)
{
    if (path.empty()) return 1;
    // Only plain files: a folder never ends a read, and a device such as
    // /dev/zero would feed bytes forever.
    std::error_code typeError;
    if (!std::filesystem::is_regular_file(path, typeError)) return 1;
    // Binary mode: line ends are dropped by the record rules anyway, and the result
    // must not depend on the platform's text-mode conventions.
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(OpenFile(path, "rb"), &std::fclose);
    if (!file) return 1;
    std::error_code sizeError;
    const auto size = std::filesystem::file_size(path, sizeError);
    if (!sizeError) reader.ExpectBytes(size);
    std::vector<char> chunk(1 << 16);
    for (;;) {
        const std::size_t got = std::fread(chunk.data(), 1, chunk.size(), file.get());
        if (got > 0 && !reader.Feed(chunk.data(), got)) break;
        // A read error ends the file like its end does; waiting for an
        // end-of-file that never comes would hang.
        if (got < chunk.size()) break;
    }
    reader.Finish();
    return 0;
}

}  // namespace kerfmax
