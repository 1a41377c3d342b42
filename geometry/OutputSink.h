#pragma once
// Where an assembled command stream goes: a file (Save to File, the send
// worker's output file, kerfmax-cli convert) or memory (tests, previews, fuzzing).
// A sink remembers its first failure instead of throwing, so a full disk or a
// cancelled run is reported by the caller rather than passing as success.
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace kerfmax {

class DiskFlusher;

class OutputSink {
public:
    virtual ~OutputSink() = default;
    virtual void Write(std::string_view bytes) = 0;
    // True once a write has failed or the run was cancelled; later writes are dropped.
    virtual bool Failed() const = 0;
};

// Collects everything in memory.
class StringSink final : public OutputSink {
public:
    void Write(std::string_view bytes) override { m_text.append(bytes); }
    bool Failed() const override { return false; }
    const std::string& Text() const { return m_text; }
    std::string TakeText() { return std::move(m_text); }
    // Empties it and keeps its memory for the next text.
    void Clear() { m_text.clear(); }

private:
    std::string m_text;
};

// Writes through a buffer to a temporary file beside the target and puts it in
// place only on Commit(), so readers never see a truncated file. Destroying the
// sink without a successful Commit() removes the temporary file and leaves the
// target as it was.
class FileSink final : public OutputSink {
public:
    // cancel (optional): once it reads non-zero, writes fail and Commit() refuses.
    explicit FileSink(std::filesystem::path target, const std::atomic<int>* cancel = nullptr);
    ~FileSink() override;
    FileSink(const FileSink&) = delete;
    FileSink& operator=(const FileSink&) = delete;

    // False (with Error()) when the temporary file cannot be created.
    bool Open();
    void Write(std::string_view bytes) override;
    bool Failed() const override { return m_failed; }
    // Flushes, closes and renames over the target. False (with Error()) on any failure.
    bool Commit();
    bool Cancelled() const;
    const std::string& Error() const { return m_error; }

private:
    bool Flush();
    bool WriteThrough(std::string_view bytes);
    void Fail(const std::string& reason);
    void Discard();

    std::filesystem::path m_target;
    std::filesystem::path m_temp;
    const std::atomic<int>* m_cancel;
    std::FILE* m_file = nullptr;
    std::string m_buffer;
    std::string m_error;
    std::uint64_t m_written = 0;  // bytes handed to the file
    std::uint64_t m_flushRequestedAt = 0;  // m_written when the last flush to disk was asked for
    std::unique_ptr<DiskFlusher> m_flusher;  // made for long outputs only
    bool m_failed = false;
};

}  // namespace kerfmax
