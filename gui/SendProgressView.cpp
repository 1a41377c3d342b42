#include "gui/SendProgressView.h"

namespace kerfmax::gui {

void SendProgressView::Start(std::optional<std::chrono::duration<double>> wholeSend)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_latest.reset();
    m_meter = ProgressMeter();
    if (wholeSend) m_meter.SetPrior(*wholeSend);
}

void SendProgressView::Report(const SendProgress& progress)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_latest = progress;
}

std::string SendProgressView::StatusText(int language, ProgressMeter::Clock::time_point now)
{
    std::optional<SendProgress> latest;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        latest = m_latest;
    }
    if (!latest) return {};
    // Fed at every tick: a tick without new bytes is time without movement.
    m_meter.Update(*latest, now);
    return ProgressText(m_meter.Read(now), language);
}

}  // namespace kerfmax::gui
