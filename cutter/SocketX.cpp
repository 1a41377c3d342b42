#include "cutter/SocketX.h"

#include <chrono>
#include <cstring>

#include "app/Notifier.h"
#include "platform/SystemError.h"

namespace kerfmax {

namespace {

constexpr std::size_t kReceiveBytes = 1024;
// A peer that keeps talking cannot hold a pump forever.
constexpr int kMaxPumpRounds = 64;
constexpr auto kCloseSlice = std::chrono::milliseconds(20);
constexpr auto kPumpInterval = std::chrono::milliseconds(20);

bool IsSet(const std::atomic<int>* flag)
{
    return flag != nullptr && flag->load() != 0;
}

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

bool CSocketX::Connect(const std::string& hostAddress, int port)
{
    m_bConnected = m_socket.Connect(hostAddress, port, std::chrono::milliseconds(kConnectTimeoutMs));
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
    if (result.status != ReceiveResult::Data) return false;
    // Each arrival replaces the text, which ends at the first NUL byte.
    receivedText.assign(buffer, ::strnlen(buffer, result.count));
    return true;
}

void CSocketX::OnReceive(int /*errorCode*/) {}

void CSocketX::OnClose(int /*errorCode*/)
{
    Notify().Notify("Socket Close!!!\n");
}

void CSocketX::Close(const std::atomic<int>* cancel)
{
    if (m_bConnected) {
        PumpNotifications();
        if (!m_socket.PeerHasClosed() && m_socket.ShutdownSend()) WaitForPeer(cancel);
    }
    m_bConnected = false;
    m_socket.Close();
}

void CSocketX::WaitForPeer(const std::atomic<int>* cancel)
{
    // Closing while the peer still sends would answer with a reset, which can
    // cost the peer the tail of the job it has not read yet. So wait, bounded,
    // until the peer closes or has acknowledged everything.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kCloseWaitMs);
    while (!IsSet(cancel) && std::chrono::steady_clock::now() < deadline) {
        if (m_socket.UnacknowledgedBytes() == 0) return;
        bool peerClosed = false;
        if (TakeIncoming(peerClosed, kCloseSlice)) OnReceive(0);
        if (peerClosed) return;
    }
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
