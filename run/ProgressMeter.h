#pragma once
// What a send's progress display shows now: the percent, the time left from
// the recent rate (not the average since the start, which a cutter that
// paused for minutes would make meaningless), or, once no byte has moved for
// kStallAfter, that the cutter is not taking data and for how long.
//
// Feed it every SendProgress with the time it arrived; ask Read() with the
// time of drawing (also while nothing arrives). The clock is a parameter so
// that tests need no sleeps. Not thread-safe: feed and read on one thread, or
// under the caller's lock.
#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>

#include "cutter/SendWorker.h"

namespace kerfmax {

struct ProgressReading {
    int percent = 0;
    std::uint64_t bytesSent = 0;
    std::uint64_t totalBytes = 0;
    double recentRate = 0;  // bytes per second over the last kRateWindow
    std::optional<std::chrono::seconds> timeLeft;  // none until a rate is known, and while stalled
    std::optional<std::chrono::seconds> stalledFor;  // set once nothing moved for kStallAfter
};

class ProgressMeter {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::seconds kStallAfter{3};
    static constexpr std::chrono::seconds kRateWindow{5};

    // Streaming begins with the first report: connect and assembly before it
    // never count as a stall.
    void Update(const SendProgress& progress, Clock::time_point now);
    ProgressReading Read(Clock::time_point now) const;
    bool Started() const { return !m_samples.empty(); }
    // The job estimate's time for the whole send. Until streaming has run for
    // kRateWindow (the first seconds mostly fill buffers, so the measured rate
    // flatters) the time left is the estimate's share of the bytes still to go.
    void SetPrior(std::chrono::duration<double> wholeSend) { m_prior = wholeSend; }

private:
    struct Sample {
        Clock::time_point time;
        std::uint64_t bytes;
    };
    std::uint64_t BytesAt(Clock::time_point time) const;

    SendProgress m_last;
    std::deque<Sample> m_samples;  // at least kSampleSpacing apart, reaching back past kRateWindow
    Clock::time_point m_lastMove{};
    Clock::time_point m_firstUpdate{};
    std::optional<std::chrono::duration<double>> m_prior;
};

// "42%", "42%, 1:05 left" or "42%, the cutter has not taken data for 0:12"
// (and the same in Chinese for language 1).
std::string ProgressText(const ProgressReading& reading, int language);

}  // namespace kerfmax
