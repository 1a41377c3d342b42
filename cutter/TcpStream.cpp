#include "cutter/TcpStream.h"

#include <algorithm>

#include "platform/SystemError.h"

namespace kerfmax {

bool TcpStream::Create()
{
    m_peerClosed = false;
    m_reset = false;
    m_givenUp = false;
    m_window = TcpWindowWatch();
    if (!m_socket.Create()) return false;
    // A system without these options still sends; it only judges the peer later.
    (void)m_socket.SetSendBuffer(kTcpSendBufferBytes);
    (void)m_socket.SetKeepAlive(TcpLivenessSettings());
    return true;
}

bool TcpStream::Connect(const std::string& dottedAddress, int port, std::chrono::milliseconds timeout,
                        const std::atomic<int>* cancel)
{
    switch (m_socket.StartConnect(dottedAddress, port)) {
    case TcpIoStatus::Moved: return true;
    case TcpIoStatus::WouldBlock: break;
    default: return false;
    }
    // An address that never answers is no busy cutter: this wait has a limit.
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    bool timedOut = false;
    LinkWait end = WaitWhileBusy(
        [&](std::chrono::milliseconds slice) {
            auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                timedOut = true;
                return LinkState::Gone;
            }
            switch (m_socket.WaitWritable(std::min(left, slice))) {
            case TcpReady::NotYet: return LinkState::Busy;
            case TcpReady::Ready: return LinkState::Ready;
            default: return LinkState::Gone;
            }
        },
        cancel);
    if (end == LinkWait::Cancelled) {
        m_socket.SetLastError(0);
        return false;
    }
    if (timedOut) m_socket.SetLastError(TimedOutErrorCode());
    if (end == LinkWait::Gone) return false;
    return m_socket.PendingError() == 0;
}

void TcpStream::Failed(const TcpIoResult& result)
{
    // The system gave the peer up: the end of stream it then reads is its
    // own doing, not the peer closing.
    if (m_socket.LastError() == TimedOutErrorCode()) m_givenUp = true;
    if (result.status != TcpIoStatus::Reset) return;
    // A reset connection is gone as surely as a closed one.
    m_reset = true;
    m_peerClosed = true;
}

LinkState TcpStream::LookWritable(std::chrono::milliseconds slice)
{
    WatchWindow();
    switch (m_socket.WaitWritable(slice)) {
    case TcpReady::NotYet: return LinkState::Busy;
    // Errors show up as the send's own error on the next try.
    case TcpReady::Ready: return LinkState::Ready;
    default: return LinkState::Gone;
    }
}

long TcpStream::SendAll(const void* buffer, std::size_t length, const std::atomic<int>* cancel)
{
    if (m_reset) {
        m_socket.SetLastError(ConnectionResetErrorCode());
        return -1;
    }
    const char* bytes = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (done < length) {
        TcpIoResult result = m_socket.Send(bytes + done, length - done);
        if (result.status == TcpIoStatus::Moved) {
            done += result.count;
            continue;
        }
        if (result.status != TcpIoStatus::WouldBlock) {
            Failed(result);
            m_unreported = done;
            return -1;
        }
        switch (WaitWhileBusy([this](std::chrono::milliseconds slice) { return LookWritable(slice); }, cancel)) {
        case LinkWait::Ready: break;
        case LinkWait::Cancelled: return static_cast<long>(done);
        case LinkWait::Gone: m_unreported = done; return -1;
        }
    }
    return static_cast<long>(done);
}

ReceiveResult TcpStream::Receive(void* buffer, std::size_t length, std::chrono::milliseconds wait)
{
    ReceiveResult received;
    if (wait.count() > 0 && m_socket.WaitReadable(wait) == TcpReady::NotYet) return received;
    TcpIoResult result = m_socket.Receive(buffer, length);
    switch (result.status) {
    case TcpIoStatus::Moved:
        received.status = ReceiveResult::Data;
        received.count = result.count;
        break;
    case TcpIoStatus::EndOfStream:
        if (m_givenUp) {
            received.status = ReceiveResult::Failed;
            break;
        }
        m_peerClosed = true;
        received.status = ReceiveResult::PeerClosed;
        break;
    case TcpIoStatus::WouldBlock: break;
    default:
        Failed(result);
        received.status = ReceiveResult::Failed;
        break;
    }
    return received;
}

bool TcpStream::ShutdownSend()
{
    return m_socket.ShutdownSend();
}

void TcpStream::WatchWindow()
{
    if (auto timeout = m_window.Update(m_socket.Flow())) (void)m_socket.SetUserTimeout(*timeout);
}

TcpStream::Delivery TcpStream::CheckDelivery()
{
    const int error = m_socket.PendingError();
    if (error != 0 || m_reset) {
        if (error == 0) m_socket.SetLastError(ConnectionResetErrorCode());
        m_reset = m_reset || error == ConnectionResetErrorCode();
        m_givenUp = m_givenUp || error == TimedOutErrorCode();
        return Delivery::Failed;
    }
    switch (m_socket.Flow().phase) {
    // Our end of stream was acknowledged, so was every byte before it.
    case TcpPhase::EndAcknowledged: return Delivery::AllAcknowledged;
    // Both ends have closed in order and every byte was acknowledged.
    case TcpPhase::Closed: return Delivery::Delivered;
    // Without the TCP state (older Windows, Wine) an unbroken connection after
    // our end of stream is as far as the system lets us see; the caller still
    // watches for a reset before calling it delivered.
    case TcpPhase::Unknown: return Delivery::AllAcknowledged;
    default: return Delivery::Pending;
    }
}

}  // namespace kerfmax
