#include "platform/DiskFlusher.h"

#include "platform/FileOps.h"

namespace kerfmax {

DiskFlusher::DiskFlusher(std::FILE* file) : m_file(file), m_handle(SystemHandleOf(file)) {}

DiskFlusher::~DiskFlusher()
{
    Stop();
}

bool DiskFlusher::Request()
{
    if (std::fflush(m_file) != 0) return false;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_stopping) return true;
    m_wanted = true;
    if (!m_thread.joinable()) m_thread = std::thread([this] { Run(); });
    m_wake.notify_one();
    return true;
}

bool DiskFlusher::Stop(std::string* error)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
        m_wake.notify_one();
    }
    if (m_thread.joinable()) m_thread.join();
    if (error && !m_failure.empty()) *error = m_failure;
    return m_failure.empty();
}

void DiskFlusher::Run()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_wanted || m_stopping; });
        if (m_stopping) return;  // the caller's final flush does the rest
        m_wanted = false;
        lock.unlock();
        std::string reason;
        const bool flushed = FlushToDisk(m_handle, &reason);
        lock.lock();
        if (!flushed && m_failure.empty()) m_failure = reason.empty() ? "cannot write to disk" : reason;
    }
}

}  // namespace kerfmax
