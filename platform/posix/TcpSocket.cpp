#include "platform/TcpSocket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <linux/sockios.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kerfmax {

namespace {

// poll() that survives signals.
TcpReady PollFor(int fd, short events, std::chrono::milliseconds wait)
{
    auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd entry{fd, events, 0};
        int n = ::poll(&entry, 1, static_cast<int>(left.count() > 0 ? left.count() : 0));
        if (n > 0) return TcpReady::Ready;
        if (n == 0) return TcpReady::NotYet;
        if (errno != EINTR) return TcpReady::Failed;
    }
}

bool SetInt(int fd, int level, int name, int value)
{
    return ::setsockopt(fd, level, name, &value, sizeof value) == 0;
}

TcpPhase PhaseOf(int state)
{
    switch (state) {
    case TCP_FIN_WAIT1:
    case TCP_LAST_ACK:
    case TCP_CLOSING: return TcpPhase::Closing;
    case TCP_FIN_WAIT2: return TcpPhase::EndAcknowledged;
    case TCP_TIME_WAIT:
    case TCP_CLOSE: return TcpPhase::Closed;
    default: return TcpPhase::Open;
    }
}

}  // namespace

TcpSocket::~TcpSocket()
{
    Close();
}

bool TcpSocket::Fail()
{
    m_lastError = errno;
    return false;
}

bool TcpSocket::Create()
{
    Close();
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return Fail();
    m_handle = fd;
    return true;
}

bool TcpSocket::IsConnectableAddress(const std::string& dottedAddress)
{
    in_addr parsed{};
    return ::inet_pton(AF_INET, dottedAddress.c_str(), &parsed) == 1;
}

TcpIoStatus TcpSocket::StartConnect(const std::string& dottedAddress, int port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    if (port < 1 || port > 65535 || ::inet_pton(AF_INET, dottedAddress.c_str(), &address.sin_addr) != 1) {
        m_lastError = EINVAL;
        return TcpIoStatus::Failed;
    }
    if (::connect(static_cast<int>(m_handle), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
        return TcpIoStatus::Moved;
    if (errno == EINPROGRESS || errno == EINTR) return TcpIoStatus::WouldBlock;
    Fail();
    return TcpIoStatus::Failed;
}

TcpReady TcpSocket::WaitWritable(std::chrono::milliseconds wait)
{
    TcpReady ready = PollFor(static_cast<int>(m_handle), POLLOUT, wait);
    if (ready == TcpReady::Failed) Fail();
    return ready;
}

TcpReady TcpSocket::WaitReadable(std::chrono::milliseconds wait)
{
    TcpReady ready = PollFor(static_cast<int>(m_handle), POLLIN, wait);
    if (ready == TcpReady::Failed) Fail();
    return ready;
}

int TcpSocket::PendingError()
{
    int error = 0;
    socklen_t size = sizeof error;
    if (::getsockopt(static_cast<int>(m_handle), SOL_SOCKET, SO_ERROR, &error, &size) != 0) error = errno;
    if (error != 0) m_lastError = error;
    return error;
}

bool TcpSocket::SetKeepAlive(const TcpKeepAliveSettings& settings)
{
    const int fd = static_cast<int>(m_handle);
    const bool ok = SetInt(fd, SOL_SOCKET, SO_KEEPALIVE, 1) &&
                    SetInt(fd, IPPROTO_TCP, TCP_KEEPIDLE, static_cast<int>(settings.idle.count())) &&
                    SetInt(fd, IPPROTO_TCP, TCP_KEEPINTVL, static_cast<int>(settings.interval.count())) &&
                    SetInt(fd, IPPROTO_TCP, TCP_KEEPCNT, settings.probes);
    if (!ok) return Fail();
    return SetUserTimeout(settings.userTimeout);
}

bool TcpSocket::SetUserTimeout(std::chrono::milliseconds timeout)
{
    if (!SetInt(static_cast<int>(m_handle), IPPROTO_TCP, TCP_USER_TIMEOUT, static_cast<int>(timeout.count())))
        return Fail();
    return true;
}

bool TcpSocket::SetSendBuffer(int bytes)
{
    if (!SetInt(static_cast<int>(m_handle), SOL_SOCKET, SO_SNDBUF, bytes)) return Fail();
    return true;
}

int TcpSocket::SendBufferBytes()
{
    int bytes = 0;
    socklen_t size = sizeof bytes;
    if (::getsockopt(static_cast<int>(m_handle), SOL_SOCKET, SO_SNDBUF, &bytes, &size) != 0) return -1;
    return bytes;
}

TcpIoResult TcpSocket::Send(const void* buffer, std::size_t length)
{
    for (;;) {
        ssize_t n = ::send(static_cast<int>(m_handle), buffer, length, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n >= 0) return {TcpIoStatus::Moved, static_cast<std::size_t>(n)};
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return {TcpIoStatus::WouldBlock, 0};
        Fail();
        return {m_lastError == ECONNRESET ? TcpIoStatus::Reset : TcpIoStatus::Failed, 0};
    }
}

TcpIoResult TcpSocket::Receive(void* buffer, std::size_t length)
{
    for (;;) {
        ssize_t n = ::recv(static_cast<int>(m_handle), buffer, length, MSG_DONTWAIT);
        if (n > 0) return {TcpIoStatus::Moved, static_cast<std::size_t>(n)};
        if (n == 0) return {TcpIoStatus::EndOfStream, 0};
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return {TcpIoStatus::WouldBlock, 0};
        Fail();
        return {m_lastError == ECONNRESET ? TcpIoStatus::Reset : TcpIoStatus::Failed, 0};
    }
}

TcpFlow TcpSocket::Flow()
{
    const int fd = static_cast<int>(m_handle);
    TcpFlow flow;
    tcp_info info{};
    socklen_t size = sizeof info;
    if (::getsockopt(fd, IPPROTO_TCP, TCP_INFO, &info, &size) != 0) return flow;
    flow.phase = PhaseOf(info.tcpi_state);
    flow.sincePeerAckMs = static_cast<long>(info.tcpi_last_ack_recv);
    int queued = 0;
    int unsent = 0;
    if (::ioctl(fd, SIOCOUTQ, &queued) == 0) flow.queuedBytes = queued;
    if (::ioctl(fd, SIOCOUTQNSD, &unsent) == 0) flow.windowClosed = unsent > 0 && info.tcpi_unacked == 0;
    return flow;
}

bool TcpSocket::ShutdownSend()
{
    if (::shutdown(static_cast<int>(m_handle), SHUT_WR) != 0) return Fail();
    return true;
}

void TcpSocket::CloseAbortive()
{
    if (m_handle < 0) return;
    linger abort{1, 0};
    (void)::setsockopt(static_cast<int>(m_handle), SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    Close();
}

void TcpSocket::Close()
{
    if (m_handle < 0) return;
    ::close(static_cast<int>(m_handle));
    m_handle = -1;
}

}  // namespace kerfmax
