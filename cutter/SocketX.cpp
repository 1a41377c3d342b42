#include "cutter/SocketX.h"

#include <chrono>
#include <cerrno>
#include <optional>
#include <thread>

#include "platform/Notifier.h"
#include "platform/SystemError.h"

namespace kerfmax {

namespace {

constexpr std::size_t kReceiveBytes = 1024;
// A peer that keeps talking cannot hold a pump forever.
constexpr int kMaxPumpRounds = 64;
constexpr auto kCloseSlice = std::chrono::milliseconds(20);
constexpr auto kPumpInterval = std::chrono::milliseconds(20);

}  // namespace

CSocketX::CSocketX(Notifier* notifier) : m_pNotifier(notifier) {}

CSocketX::~CSocketX()
{
    Close();
}

Notifier& CSocketX::Notify()
{
    return m_pNotifier ? *m_pNotifier : DefaultNotifier();
}

bool CSocketX::Create()
{
    return m_socket.Create();
}

bool CSocketX::Connect(const std::string& hostAddress, int port, const std::atomic<int>* cancel)
{
    m_bConnected = m_socket.Connect(hostAddress, port, std::chrono::milliseconds(kConnectTimeoutMs), cancel);
    return m_bConnected;
}

int CSocketX::Send(const void* buffer, int length, const std::atomic<int>* cancel)
{
    // Notices a peer that has gone, so its bytes are not sent into the void.
    // Looking costs a system call, so it is done at most every kPumpInterval.
    auto now = std::chrono::steady_clock::now();
    if (now - m_lastPump >= kPumpInterval) {
        m_lastPump = now;
        PumpNotifications();
    }
    if (buffer == nullptr || length <= 0) return 0;
    long sent = m_socket.SendAll(buffer, static_cast<std::size_t>(length), cancel);
    // A peer that went away is reported before the failed send is.
    if (sent < 0) PumpNotifications();
    return static_cast<int>(sent);
}

void CSocketX::PumpNotifications()
{
    if (!m_bConnected) return;
    for (int round = 0; round < kMaxPumpRounds; ++round) {
        bool peerClosed = false;
        if (!TakeIncoming(peerClosed, std::chrono::milliseconds(0))) {
            if (peerClosed && !m_bCloseReported) {
                m_bCloseReported = true;
                OnClose(0);
            }
            return;
        }
        OnReceive(0);
    }
}

bool CSocketX::TakeIncoming(bool& peerClosed, std::chrono::milliseconds wait)
{
    char buffer[kReceiveBytes] = {};
    ReceiveResult result = m_socket.Receive(buffer, sizeof buffer, wait);
    peerClosed = m_socket.PeerHasClosed();
    return result.status == ReceiveResult::Data;
}

void CSocketX::OnReceive(int /*errorCode*/) {}

void CSocketX::OnClose(int /*errorCode*/)
{
    Notify().Notify("Socket Close!!!\n");
}

int CSocketX::FinishSend(const std::atomic<int>* cancel)
{
    if (!m_bConnected) return DeliveryFailed(NotConnectedErrorCode());
    PumpNotifications();
    if (!m_socket.ShutdownSend()) return DeliveryFailed(m_socket.LastError());
    using Clock = std::chrono::steady_clock;
    std::optional<Clock::time_point> acknowledgedAt;
    for (;;) {
        if (CancelRequested(cancel)) return 0;
        switch (m_socket.CheckDelivery()) {
        case TcpStream::Delivery::Delivered: return 1;
        case TcpStream::Delivery::Failed: return DeliveryFailed(m_socket.LastError());
        case TcpStream::Delivery::AllAcknowledged:
            if (!acknowledgedAt) acknowledgedAt = Clock::now();
            if (Clock::now() - *acknowledgedAt >= std::chrono::milliseconds(kResetWatchMs)) return 1;
            break;
        // A peer that reads however slowly, or not at all for a while, is
        // waited for; the system tells when it is gone.
        case TcpStream::Delivery::Pending: m_socket.WatchWindow(); break;
        }
        WatchPeer(kCloseSlice);
    }
}

void CSocketX::WatchPeer(std::chrono::milliseconds slice)
{
    bool peerClosed = false;
    if (TakeIncoming(peerClosed, slice)) OnReceive(0);
    if (peerClosed && !m_bCloseReported) {
        m_bCloseReported = true;
        OnClose(0);
    }
    // A peer that has closed its side answers no more reads: do not spin on it.
    if (peerClosed) std::this_thread::sleep_for(slice);
}

int CSocketX::DeliveryFailed(int errorCode)
{
    m_nDeliveryError = errorCode;
    return ReportSendError();
}

void CSocketX::Close(const std::atomic<int>* cancel)
{
    // After Cancel nothing more may reach the cutter: drop what is queued.
    if (CancelRequested(cancel)) {
        m_socket.CloseAbortive();
    } else {
        PumpNotifications();  // a peer that closed first is still told to the user
        m_socket.Close();
    }
    m_bConnected = false;
}

std::string CSocketX::FormatError(int errorCode)
{
    return "Warning: " + SystemErrorText(errorCode) + "\n";
}

int CSocketX::ReportSendError()
{
    Notify().Notify("SendMsg Error!!!\n" + FormatError(GetLastError()));
    return -1;
}

}  // namespace kerfmax
