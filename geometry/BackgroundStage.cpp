#include "geometry/BackgroundStage.h"

#include <utility>

namespace kerfmax {

BackgroundStage::~BackgroundStage()
{
    if (!m_thread.joinable()) return;
    {
        std::unique_lock lock(m_mutex);
        WaitIdle(lock);
        m_stop = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void BackgroundStage::WaitIdle(std::unique_lock<std::mutex>& lock)
{
    m_changed.wait(lock, [this] { return !m_job; });
}

void BackgroundStage::Submit(std::function<void()> job)
{
    {
        std::unique_lock lock(m_mutex);
        WaitIdle(lock);
        m_job = std::move(job);
    }
    if (!m_thread.joinable()) m_thread = std::thread([this] { Run(); });
    m_changed.notify_all();
}

void BackgroundStage::Wait()
{
    std::unique_lock lock(m_mutex);
    WaitIdle(lock);
    if (m_error) std::rethrow_exception(std::exchange(m_error, nullptr));
}

void BackgroundStage::Run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_job || m_stop; });
        if (!m_job) return;  // stopped with nothing left
        lock.unlock();
        std::exception_ptr error;
        try {
            m_job();
        } catch (...) {
            error = std::current_exception();
        }
        lock.lock();
        if (error && !m_error) m_error = error;
        m_job = nullptr;
        m_changed.notify_all();
    }
}

}  // namespace kerfmax
