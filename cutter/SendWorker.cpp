#include "cutter/SendWorker.h"

#include <cerrno>
#include <climits>
#include <memory>
#include <system_error>

#include "cutter/Cutter.h"
#include "platform/SystemError.h"

namespace kerfmax {

std::size_t ChunkSizeFor(std::int32_t linkType)
{
    return linkType == LINK_SERIAL ? kSerialChunkSize : kBlockChunkSize;
}

bool ChunksEndAfterSemicolon(std::int32_t linkType)
{
    return ChunkSizeFor(linkType) == kSerialChunkSize;
}

ChunkReader::ChunkReader(std::FILE* file, std::uint64_t length, std::size_t chunkSize,
                         bool endAfterSemicolon)
    : m_file(file), m_length(length), m_chunkSize(chunkSize), m_endAfterSemicolon(endAfterSemicolon)
{
}

bool ChunkReader::Refill()
{
    m_buffer.resize(kReadBlock);
    m_begin = 0;
    m_end = std::fread(m_buffer.data(), 1, m_buffer.size(), m_file);
    return m_end > 0;
}

bool ChunkReader::Next(std::string& chunk)
{
    chunk.clear();
    while (m_read < m_length && chunk.size() < m_chunkSize) {
        if (m_begin == m_end && !Refill()) {
            // The file shrank under us: what is missing must not pass as sent.
            m_shortRead = true;
            return false;
        }
        const char c = m_buffer[m_begin++];
        chunk.push_back(c);
        ++m_read;
        if (m_endAfterSemicolon && c == ';') break;
    }
    return !chunk.empty();
}

std::string WriteWarningText(int errorCode, std::uint64_t bytesSent, std::size_t count, long result)
{
    char numbers[128];
    std::snprintf(numbers, sizeof numbers, "ylen:%ld, readed:%ld, nWResult:%ld",
                  static_cast<long>(bytesSent), static_cast<long>(count), result);
    return "Warning: " + SystemErrorText(errorCode) + "\n" + numbers;
}

namespace {

struct WorkerTask {
    CCutter* cutter;
    std::int32_t linkType;
    std::filesystem::path outputPath;
    const std::atomic<int>* cancel;
    std::string openFailText;
    SendWorkerCallbacks callbacks;

    void Report(const std::string& text, NotifyIcon icon) const
    {
        if (callbacks.message) callbacks.message(text, icon);
    }
    void Progress(std::uint64_t sent, std::uint64_t total) const
    {
        if (!callbacks.progress) return;
        int percent = total == 0 ? 100 : static_cast<int>(static_cast<double>(sent) * 100.0 /
                                                          static_cast<double>(total));
        callbacks.progress(SendProgress{percent, sent, total});
    }
    bool CancelRequested() const { return cancel->load() != 0; }

    SendOutcome StreamFile(std::FILE* file, std::uint64_t length) const;
    SendOutcome Run() const;
};

SendOutcome WorkerTask::StreamFile(std::FILE* file, std::uint64_t length) const
{
    if (CancelRequested()) return SendOutcome::Cancelled;
    ChunkReader reader(file, length, ChunkSizeFor(linkType), ChunksEndAfterSemicolon(linkType));
    std::string chunk;
    while (reader.Next(chunk)) {
        const int count = static_cast<int>(chunk.size());
        errno = 0;
        const int result = cutter->Write(chunk.data(), count, cancel, 1);
        const int errorCode = LastSystemErrorCode();
        if (result != count) {
            // A wait cut short by Cancel is the user's wish, not a fault of the link.
            if (CancelRequested()) return SendOutcome::Cancelled;
            Report(WriteWarningText(errorCode, reader.BytesRead(), chunk.size(), result),
                   NotifyIcon::Information);
            return SendOutcome::Failed;
        }
        Progress(reader.BytesRead(), length);
        if (CancelRequested()) return SendOutcome::Cancelled;
    }
    if (reader.ShortRead()) {
        Report(WriteWarningText(EIO, reader.BytesRead(), 0, 0), NotifyIcon::Information);
        return SendOutcome::Failed;
    }
    // The last chunk already reported 100; an empty file reports it here.
    if (length == 0) Progress(0, 0);
    return SendOutcome::Finished;
}

SendOutcome WorkerTask::Run() const
{
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(outputPath.string().c_str(), "rb"),
                                                         &std::fclose);
    std::error_code ec;
    const std::uintmax_t length = file ? std::filesystem::file_size(outputPath, ec) : 0;
    if (!file || ec) {
        // Nothing reached the cutter: this is not a finished send.
        Report(openFailText, NotifyIcon::None);
        return SendOutcome::Failed;
    }
    return StreamFile(file.get(), length);
}

}  // namespace

SendWorker::~SendWorker()
{
    Wait();
}

bool SendWorker::Start(CCutter& cutter, std::int32_t linkType, std::filesystem::path outputPath,
                       const std::atomic<int>& cancel, std::string openFailText,
                       SendWorkerCallbacks callbacks)
{
    if (m_running.load()) return false;
    Wait();   // a previous worker that has ended
    WorkerTask task{&cutter, linkType, std::move(outputPath), &cancel, std::move(openFailText),
                    std::move(callbacks)};
    try {
        m_running.store(true);
        m_thread = std::thread([this, task = std::move(task)]() {
            SendOutcome outcome = task.Run();
            // Nothing touches this object after done: its handler may destroy it.
            m_running.store(false);
            if (task.callbacks.done) task.callbacks.done(outcome);
        });
    } catch (const std::system_error&) {
        m_running.store(false);
        return false;
    }
    return true;
}

void SendWorker::Wait()
{
    if (!m_thread.joinable()) return;
    // Called from done itself: the thread is about to end and cannot join itself.
    if (m_thread.get_id() == std::this_thread::get_id()) m_thread.detach();
    else m_thread.join();
}

}  // namespace kerfmax
