#pragma once
// One stage of a pipeline on a thread of its own: jobs run one at a time, in the
// order given, while the caller prepares the next. The thread starts with the
// first job, so a short run never pays for it.
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace kerfmax {

class BackgroundStage {
public:
    BackgroundStage() = default;
    // Waits for the job under way; an error it raised is dropped.
    ~BackgroundStage();
    BackgroundStage(const BackgroundStage&) = delete;
    BackgroundStage& operator=(const BackgroundStage&) = delete;

    // Runs job once the one before it is done (it waits for that first).
    void Submit(std::function<void()> job);
    // Returns when no job is under way; what a job threw is thrown here.
    void Wait();
    bool Started() const { return m_thread.joinable(); }

private:
    void Run();
    void WaitIdle(std::unique_lock<std::mutex>& lock);

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::function<void()> m_job;
    bool m_stop = false;
    std::exception_ptr m_error;
    std::thread m_thread;
};

}  // namespace kerfmax
