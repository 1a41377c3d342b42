#include "cutter/LinkLiveness.h"

namespace kerfmax {

bool CancelRequested(const std::atomic<int>* cancel)
{
    return cancel != nullptr && cancel->load() != 0;
}

LinkWait WaitWhileBusy(const std::function<LinkState(std::chrono::milliseconds slice)>& look,
                       const std::atomic<int>* cancel)
{
    for (;;) {
        if (CancelRequested(cancel)) return LinkWait::Cancelled;
        switch (look(kLinkSlice)) {
        case LinkState::Ready: return LinkWait::Ready;
        case LinkState::Gone: return LinkWait::Gone;
        case LinkState::Busy: break;
        }
    }
}

TcpKeepAliveSettings TcpLivenessSettings()
{
    using namespace std::chrono_literals;
    return TcpKeepAliveSettings{10s, 4s, 8, 45s};
}

TcpWindowWatch::TcpWindowWatch(Clock::time_point start)
    : m_lastOpen(start), m_current(TcpLivenessSettings().userTimeout)
{
}

std::optional<std::chrono::milliseconds> TcpWindowWatch::Want(std::chrono::milliseconds timeout)
{
    if (timeout == m_current) return std::nullopt;
    m_current = timeout;
    return timeout;
}

std::optional<std::chrono::milliseconds> TcpWindowWatch::Update(const TcpFlow& flow, Clock::time_point now)
{
    if (!flow.windowClosed) {
        m_lastOpen = now;
        return Want(TcpLivenessSettings().userTimeout);
    }
    // Without word of the peer's answers the system's own rule stands.
    if (flow.sincePeerAckMs < 0) return std::nullopt;
    if (std::chrono::milliseconds(flow.sincePeerAckMs) > kPeerAnswered) return std::nullopt;
    // The system counts the closed window from its first probe, which came
    // after the window was last seen open: counting from then is never short.
    auto closedFor = std::chrono::duration_cast<std::chrono::milliseconds>(now - m_lastOpen);
    auto timeout = std::max(TcpLivenessSettings().userTimeout, closedFor + kLead);
    // Whole seconds: one system call a second at most.
    return Want(std::chrono::ceil<std::chrono::seconds>(timeout));
}

}  // namespace kerfmax
