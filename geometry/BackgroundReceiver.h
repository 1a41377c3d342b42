#pragma once
// Hands the records of a job to another receiver on a thread of its own, in
// batches and in order, so that flattening a large job goes on beside reading
// it. A job of one batch or less is handed over on the caller's thread at
// Finish(), with no thread at all.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "geometry/JobFile.h"
#include "geometry/PathTypes.h"

namespace kerfmax {

// Cache-line aligned, with the reader's and the thread's fields apart, so that
// neither side's writes slow the other's reads.
class alignas(64) BackgroundReceiver final : public RecordReceiver {
public:
    explicit BackgroundReceiver(RecordReceiver& target, std::size_t batchRecords = 4096);
    ~BackgroundReceiver() override;
    BackgroundReceiver(const BackgroundReceiver&) = delete;
    BackgroundReceiver& operator=(const BackgroundReceiver&) = delete;

    // Passed on while no thread receives (it is a hint only, given before the records).
    void ExpectBytes(std::uint64_t bytes) override;
    void Receive(const PathRecord& record) override
    {
        m_batch.push_back(record);
        if (m_batch.size() >= m_batchRecords) HandOver();
    }
    // Returns once the target has received every record.
    void Finish();

private:
    using Batch = std::vector<PathRecord>;

    void HandOver();
    void Run();

    RecordReceiver& m_target;
    const std::size_t m_batchRecords;
    Batch m_batch;
    bool m_threadRefused = false;  // the system had no thread to spare

    alignas(64) std::mutex m_mutex;
    std::condition_variable m_changed;  // a batch was handed over or received, or the end came
    std::deque<Batch> m_handedOver;  // waiting for the thread, in order
    std::vector<Batch> m_spare;  // received: their memory is used again
    bool m_receiving = false;  // the thread is in a batch
    bool m_ending = false;
    std::thread m_thread;  // started by the first full batch
    alignas(64) char m_end = 0;  // nothing after this shares the fields' lines
};

}  // namespace kerfmax
