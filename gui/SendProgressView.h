#pragma once
// What the window shows of a running send beyond the bar's percent: the time
// left from the recent rate, or, once nothing has moved for a few seconds,
// that the cutter is not taking data and for how long. Reports arrive on the
// send's thread; the window reads at its progress tick, so a cutter that takes
// nothing (and so sends no report) is still seen.
#include <chrono>
#include <mutex>
#include <optional>
#include <string>

#include "run/ProgressMeter.h"

namespace kerfmax::gui {

class SendProgressView {
public:
    // A new send: nothing streamed yet. wholeSend: the job estimate's time,
    // shown as the time left until the rate is measured.
    void Start(std::optional<std::chrono::duration<double>> wholeSend = std::nullopt);
    // On the send's thread, for every report.
    void Report(const SendProgress& progress);
    // On the window's thread at each tick: "42%, 1:05 left", "42%, the cutter
    // has not taken data for 0:12", or empty until streaming has begun (the
    // connect and the assembly never count as the cutter not taking data).
    std::string StatusText(int language, ProgressMeter::Clock::time_point now);

private:
    std::mutex m_mutex;
    std::optional<SendProgress> m_latest;  // written by the send's thread
    ProgressMeter m_meter;  // the window's thread only
};

}  // namespace kerfmax::gui
