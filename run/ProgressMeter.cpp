#include "run/ProgressMeter.h"

#include <cstdio>

#include "app/Texts.h"

namespace kerfmax {

namespace {

// Reports arrive per chunk (thousands a second on a fast link): samples closer
// than this are merged, so the window holds a few dozen of them.
constexpr std::chrono::milliseconds kSampleSpacing{100};

std::string MinutesSeconds(std::chrono::seconds time)
{
    const long long total = time.count() < 0 ? 0 : time.count();
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld", total / 60, total % 60);
    return text;
}

double Seconds(ProgressMeter::Clock::duration duration)
{
    return std::chrono::duration<double>(duration).count();
}

}  // namespace

void ProgressMeter::Update(const SendProgress& progress, Clock::time_point now)
{
    if (m_samples.empty()) m_firstUpdate = now;
    if (m_samples.empty() || progress.bytesSent != m_last.bytesSent) m_lastMove = now;
    m_last = progress;
    if (!m_samples.empty() && now - m_samples.back().time < kSampleSpacing && m_samples.size() > 1) {
        m_samples.back().bytes = progress.bytesSent;
    } else {
        m_samples.push_back({now, progress.bytesSent});
    }
    // Keep one sample at or before the window's start: the bytes there are the base of the rate.
    while (m_samples.size() > 2 && m_samples[1].time <= now - kRateWindow) m_samples.pop_front();
}

std::uint64_t ProgressMeter::BytesAt(Clock::time_point time) const
{
    std::uint64_t bytes = m_samples.front().bytes;
    for (const Sample& sample : m_samples) {
        if (sample.time > time) break;
        bytes = sample.bytes;
    }
    return bytes;
}

ProgressReading ProgressMeter::Read(Clock::time_point now) const
{
    ProgressReading reading;
    reading.percent = m_last.percent;
    reading.bytesSent = m_last.bytesSent;
    reading.totalBytes = m_last.totalBytes;
    if (m_samples.empty()) return reading;

    // The rate over the last kRateWindow (or since streaming began), counting
    // quiet time too, so a pause shows at once as a falling rate.
    const Clock::time_point origin = m_samples.front().time;
    const Clock::time_point from = now - kRateWindow > origin ? now - kRateWindow : origin;
    const double span = Seconds(now - from);
    if (span > 0) reading.recentRate = static_cast<double>(m_last.bytesSent - BytesAt(from)) / span;

    const bool finished = m_last.bytesSent >= m_last.totalBytes;
    if (!finished && now - m_lastMove >= kStallAfter) {
        reading.stalledFor = std::chrono::duration_cast<std::chrono::seconds>(now - m_lastMove);
    } else if (m_prior && !finished && m_last.totalBytes > 0 && now - m_firstUpdate < kRateWindow) {
        const double share = static_cast<double>(m_last.totalBytes - m_last.bytesSent) / m_last.totalBytes;
        reading.timeLeft = std::chrono::seconds(static_cast<long long>(m_prior->count() * share + 0.5));
    } else if (reading.recentRate > 0) {
        const double left = static_cast<double>(m_last.totalBytes - m_last.bytesSent) / reading.recentRate;
        reading.timeLeft = std::chrono::seconds(static_cast<long long>(left + 0.5));
    }
    return reading;
}

std::string ProgressText(const ProgressReading& reading, int language)
{
    std::string text = std::to_string(reading.percent) + "%";
    const char* separator = IsChineseLanguage(language) ? "，" : ", ";
    if (reading.stalledFor)
        return text + separator + TextWith(TextId::ProgressNotTaking, language, MinutesSeconds(*reading.stalledFor));
    if (reading.timeLeft)
        return text + separator + TextWith(TextId::ProgressTimeLeft, language, MinutesSeconds(*reading.timeLeft));
    return text;
}

}  // namespace kerfmax
