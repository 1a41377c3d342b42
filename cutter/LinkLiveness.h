#pragma once
// What counts as a cutter that is alive, busy or gone, on every link. A cutter
// takes data only as fast as it cuts, so a busy link is waited for without a
// limit of ours, Cancel ends any wait within a slice, and a link that is gone
// fails at once with the system's reason. Whether a network peer is gone is
// the system's judgement (TCP keepalive and the user time-out).
#include <atomic>
#include <chrono>
#include <functional>
#include <optional>

#include "platform/TcpSocket.h"

namespace kerfmax {

bool CancelRequested(const std::atomic<int>* cancel);

// How often every wait looks at the cancel flag.
inline constexpr std::chrono::milliseconds kLinkSlice{20};

enum class LinkState { Ready, Busy, Gone };
enum class LinkWait { Ready, Gone, Cancelled };

// Asks `look` (which may block up to the slice it is given) until the link is
// ready or gone, or the cancel flag is set. Never gives up by itself.
LinkWait WaitWhileBusy(const std::function<LinkState(std::chrono::milliseconds slice)>& look,
                       const std::atomic<int>* cancel);

// Small, so that what a send counts is what the cutter took, not what the
// system queued for it.
inline constexpr int kTcpSendBufferBytes = 64 * 1024;

// Keepalive after 10 s of quiet, every 4 s, 8 unanswered probes; data left
// unacknowledged for 45 s. A peer that is gone is found within a minute.
TcpKeepAliveSettings TcpLivenessSettings();

// The system's user time-out also ends a connection whose peer has closed its
// window although it answers every window probe (Linux since 5.11 does so).
// A cutter busy cutting does exactly that, so while its window is closed and
// the system has heard from it lately, the time-out is moved on; once the
// peer falls silent it is left where it is and the system ends the connection.
class TcpWindowWatch {
public:
    using Clock = std::chrono::steady_clock;
    // Answers so recent keep a closed window alive.
    static constexpr std::chrono::milliseconds kPeerAnswered{20000};
    // How far beyond now the time-out is moved: it also bounds the system's
    // window probes to one per this time.
    static constexpr std::chrono::milliseconds kLead{10000};

    explicit TcpWindowWatch(Clock::time_point start = Clock::now());
    // The user time-out the connection should have now, or nothing when the
    // one it has is right.
    std::optional<std::chrono::milliseconds> Update(const TcpFlow& flow, Clock::time_point now = Clock::now());

private:
    std::optional<std::chrono::milliseconds> Want(std::chrono::milliseconds timeout);

    Clock::time_point m_lastOpen;  // the last time the window was seen open
    std::chrono::milliseconds m_current;
};

}  // namespace kerfmax
