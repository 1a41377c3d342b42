#pragma once
// How long a job will take: the larger of the time the link needs to carry
// the command stream and the time the knife needs to move along the job at
// the user's cutting speed. The window's line under the preview, kerfmax-cli
// info and the time left of a send that has just begun come from here.
#include <cstddef>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <optional>
#include <string>

#include "app/JobSettings.h"
#include "cutter/LinkSettings.h"
#include "geometry/Job.h"

namespace kerfmax {

// 38400 baud with a start and a stop bit around each byte.
inline constexpr double kSerialBytesPerSecond = 3840;
// A cutter's own network interface and its USB port (printing class or virtual
// COM, which ignores the baud rate) take far more than it can cut: a modest
// 1 MB/s for both, so that only very fast cutting makes the link count.
inline constexpr double kNetworkBytesPerSecond = 1'000'000;
inline constexpr double kUsbBytesPerSecond = 1'000'000;

double LinkBytesPerSecond(std::int32_t linkType);

struct JobEstimate {
    double cutMetres = 0;
    double travelMetres = 0;
    std::size_t objects = 0;
    std::uint64_t commandBytes = 0;  // the command stream Send would stream
    std::int32_t linkType = LINK_SERIAL;
    double bytesPerSecond = kSerialBytesPerSecond;
    int speed = 0;  // mm/s
    double transferSeconds = 0;
    double cuttingSeconds = 0;  // cut and travel at the speed

    double Seconds() const { return transferSeconds > cuttingSeconds ? transferSeconds : cuttingSeconds; }
};

// The bytes Send would stream for the job with these settings (compensation,
// order, frame and dialect included), counted by assembling it.
// cancel (optional) stops the count early once set (the result is then short).
std::uint64_t CommandStreamBytes(const Job& job, const JobSettings& settings,
                                 const std::atomic<bool>* cancel = nullptr);

// The job as it lies, with the frame of the settings; lengths are measured in
// the job's own order. The second form takes the stream's size counted before.
JobEstimate EstimateJob(const Job& job, const JobSettings& settings, std::int32_t linkType);
JobEstimate EstimateJob(const Job& job, const JobSettings& settings, std::int32_t linkType, std::uint64_t commandBytes);

// The stream's size of the last job and settings asked for: the link, the
// speed and the language do not change it. A large job is counted on a thread
// of its own (on a copy of the job), so that the window is not held.
class StreamSizeCache {
public:
    static constexpr std::size_t kCountInlineUpTo = 100'000;  // points

    StreamSizeCache() = default;
    ~StreamSizeCache();
    StreamSizeCache(const StreamSizeCache&) = delete;
    StreamSizeCache& operator=(const StreamSizeCache&) = delete;

    // The size, or nothing while a large job is being counted; counted (if
    // given) is called on the counting thread once the size is known.
    std::optional<std::uint64_t> BytesFor(const Job& job, const JobSettings& settings,
                                          std::function<void()> counted = {});

private:
    struct Key {
        const Job* job = nullptr;
        std::size_t points = 0;
        BoundBox box;
        bool mirrored = false;
        Rotation rotation = Rotation::None;
        OutputOptions options;
        int manufacturerRow = 0;
    };
    static bool Same(const Key& a, const Key& b);
    void StopCounting();

    std::mutex m_mutex;
    std::optional<Key> m_key;
    std::optional<std::uint64_t> m_bytes;
    std::thread m_thread;
    std::atomic<bool> m_cancel{false};
};

// "m:ss", or "h:mm:ss" from an hour on.
std::string DurationText(double seconds);
// "Cut 12.34 m, travel 3.21 m, 123 objects, about 1:02 at 200 mm/s".
std::string EstimateLineText(const JobEstimate& estimate, int language);
// Both times with the link's rate, for the line's tip.
std::string EstimateDetailText(const JobEstimate& estimate, int language);

}  // namespace kerfmax
