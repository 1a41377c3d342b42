#include "platform/TcpSocket.h"

#include <arpa/inet.h>
#include <algorithm>
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

// A blocked send looks at the cancel flag this often.
constexpr int kSendSliceMs = 20;

bool IsSet(const std::atomic<int>* flag)
{
    return flag != nullptr && flag->load() != 0;
}

// poll() that survives signals; returns the revents, 0 on time-out, -1 on error.
int PollFor(int fd, short events, std::chrono::milliseconds wait)
{
    auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd entry{fd, events, 0};
        int n = ::poll(&entry, 1, static_cast<int>(left.count() > 0 ? left.count() : 0));
        if (n > 0) return entry.revents;
        if (n == 0) return 0;
        if (errno != EINTR) return -1;
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
    // Non-blocking for its whole life: every wait goes through poll() with a limit.
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return Fail();
    m_handle = fd;
    m_peerClosed = false;
    m_reset = false;
    return true;
}

bool TcpSocket::IsConnectableAddress(const std::string& dottedAddress)
{
    in_addr parsed{};
    return ::inet_pton(AF_INET, dottedAddress.c_str(), &parsed) == 1;
}

bool TcpSocket::Connect(const std::string& dottedAddress, int port, std::chrono::milliseconds timeout,
                        const std::atomic<int>* cancel)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    if (port < 1 || port > 65535 || ::inet_pton(AF_INET, dottedAddress.c_str(), &address.sin_addr) != 1) {
        m_lastError = EINVAL;
        return false;
    }
    int fd = static_cast<int>(m_handle);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) return true;
    if (errno != EINPROGRESS && errno != EINTR) return Fail();
    // Waited for in slices, so that Cancel ends a connect that nobody answers.
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    int revents = 0;
    while (revents == 0) {
        if (IsSet(cancel)) {
            m_lastError = 0;
            return false;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            m_lastError = ETIMEDOUT;
            return false;
        }
        revents = PollFor(fd, POLLOUT, std::min(left, std::chrono::milliseconds(kSendSliceMs)));
        if (revents < 0) return Fail();
    }
    int error = 0;
    socklen_t size = sizeof error;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0) return Fail();
    m_lastError = error;
    return error == 0;
}

bool TcpSocket::WaitWritable(std::chrono::milliseconds slice, bool& ready)
{
    int revents = PollFor(static_cast<int>(m_handle), POLLOUT, slice);
    if (revents < 0) return Fail();
    // Errors and hang-ups show up as the send's own error on the next try.
    ready = revents != 0;
    return true;
}

long TcpSocket::SendAll(const void* buffer, std::size_t length, const std::atomic<int>* cancel)
{
    if (m_reset) {
        m_lastError = ECONNRESET;
        return -1;
    }
    const char* bytes = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (done < length) {
        ssize_t n = ::send(static_cast<int>(m_handle), bytes + done, length - done, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            Fail();
            return -1;
        }
        bool ready = false;
        while (!ready) {
            if (IsSet(cancel)) return static_cast<long>(done);
            if (!WaitWritable(std::chrono::milliseconds(kSendSliceMs), ready)) return -1;
        }
    }
    return static_cast<long>(done);
}

ReceiveResult TcpSocket::Receive(void* buffer, std::size_t length, std::chrono::milliseconds wait)
{
    ReceiveResult result;
    int fd = static_cast<int>(m_handle);
    if (wait.count() > 0 && PollFor(fd, POLLIN, wait) == 0) return result;
    for (;;) {
        ssize_t n = ::recv(fd, buffer, length, MSG_DONTWAIT);
        if (n > 0) {
            result.status = ReceiveResult::Data;
            result.count = static_cast<std::size_t>(n);
            return result;
        }
        if (n == 0) {
            m_peerClosed = true;
            result.status = ReceiveResult::PeerClosed;
            return result;
        }
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return result;
        Fail();
        // A reset connection is gone as surely as a closed one.
        if (m_lastError == ECONNRESET) {
            m_peerClosed = true;
            m_reset = true;
        }
        result.status = ReceiveResult::Failed;
        return result;
    }
}

long TcpSocket::UnacknowledgedBytes()
{
    int pending = 0;
    if (::ioctl(static_cast<int>(m_handle), SIOCOUTQ, &pending) != 0) {
        m_lastError = errno;
        return -1;
    }
    return pending;
}

bool TcpSocket::ShutdownSend()
{
    if (::shutdown(static_cast<int>(m_handle), SHUT_WR) != 0) return Fail();
    return true;
}

TcpSocket::Delivery TcpSocket::CheckDelivery()
{
    const int fd = static_cast<int>(m_handle);
    int error = 0;
    socklen_t size = sizeof error;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0) error = errno;
    if (error != 0 || m_reset) {
        m_lastError = error != 0 ? error : ECONNRESET;
        m_reset = m_reset || m_lastError == ECONNRESET;
        return Delivery::Failed;
    }
    tcp_info info{};
    size = sizeof info;
    if (::getsockopt(fd, IPPROTO_TCP, TCP_INFO, &info, &size) != 0) {
        m_lastError = errno;
        return Delivery::Failed;
    }
    switch (info.tcpi_state) {
    // Our end of stream was acknowledged, so was every byte before it.
    case TCP_FIN_WAIT2: return Delivery::AllAcknowledged;
    // Both ends have closed in order and every byte was acknowledged.
    case TCP_TIME_WAIT:
    case TCP_CLOSE: return Delivery::Delivered;
    default: return Delivery::Pending;
    }
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
