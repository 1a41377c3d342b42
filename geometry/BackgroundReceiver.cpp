#include "geometry/BackgroundReceiver.h"

#include <system_error>
#include <utility>

namespace kerfmax {

namespace {

// Batches handed over and not yet received: enough to ride over the reader's
// uneven pace, few enough to keep memory small.
constexpr std::size_t kMostHandedOver = 4;

}  // namespace

BackgroundReceiver::BackgroundReceiver(RecordReceiver& target, std::size_t batchRecords)
    : m_target(target), m_batchRecords(batchRecords == 0 ? 1 : batchRecords)
{
    m_batch.reserve(m_batchRecords);
}

BackgroundReceiver::~BackgroundReceiver()
{
    Finish();
}

void BackgroundReceiver::ExpectBytes(std::uint64_t bytes)
{
    if (!m_thread.joinable()) m_target.ExpectBytes(bytes);
}

void BackgroundReceiver::HandOver()
{
    if (!m_thread.joinable() && !m_threadRefused) {
        try {
            m_thread = std::thread([this] { Run(); });
        } catch (const std::system_error&) {
            m_threadRefused = true;  // no thread to spare: the caller's thread does it
        }
    }
    if (m_threadRefused) {
        for (const PathRecord& record : m_batch) m_target.Receive(record);
        m_batch.clear();
        return;
    }
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return m_handedOver.size() < kMostHandedOver; });
    m_handedOver.push_back(std::move(m_batch));
    if (m_spare.empty()) {
        m_batch = Batch();
        m_batch.reserve(m_batchRecords);
    } else {
        m_batch = std::move(m_spare.back());
        m_spare.pop_back();
    }
    lock.unlock();
    m_changed.notify_all();
}

void BackgroundReceiver::Finish()
{
    if (m_thread.joinable()) {
        if (!m_batch.empty()) HandOver();
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_ending = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }
    // No thread: everything is still here.
    for (const PathRecord& record : m_batch) m_target.Receive(record);
    m_batch.clear();
}

void BackgroundReceiver::Run()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_ending || !m_handedOver.empty(); });
        if (m_handedOver.empty()) return;  // the end, and nothing left
        Batch batch = std::move(m_handedOver.front());
        m_handedOver.pop_front();
        lock.unlock();
        m_changed.notify_all();  // room for another batch
        for (const PathRecord& record : batch) m_target.Receive(record);
        batch.clear();
        lock.lock();
        m_spare.push_back(std::move(batch));
    }
}

}  // namespace kerfmax
