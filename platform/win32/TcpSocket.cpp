// TCP_INFO_v0 and SIO_TCP_INFO are declared from Windows 10 1703 on.
#ifndef NTDDI_VERSION
#define NTDDI_VERSION 0x0A000003
#endif
#include <winsock2.h>
#include <ws2tcpip.h>
#include <mstcpip.h>

#include "platform/TcpSocket.h"

#include <algorithm>
#include <mutex>

#include "platform/win32/Win32Text.h"

namespace kerfmax {

namespace {

// A blocked send or connect looks at the cancel flag this often.
constexpr int kSendSliceMs = 20;

bool IsSet(const std::atomic<int>* flag)
{
    return flag != nullptr && flag->load() != 0;
}

SOCKET AsSocket(std::intptr_t handle)
{
    return static_cast<SOCKET>(handle);
}

// Winsock is started once, on first use, and stays for the process.
bool StartWinsock(int& error)
{
    static std::once_flag once;
    static int startError = 0;
    std::call_once(once, [] {
        WSADATA data{};
        startError = ::WSAStartup(MAKEWORD(2, 2), &data);
    });
    error = startError;
    return startError == 0;
}

timeval ToTimeval(std::chrono::milliseconds wait)
{
    const long long ms = std::max<long long>(0, wait.count());
    timeval tv{};
    tv.tv_sec = static_cast<long>(ms / 1000);
    tv.tv_usec = static_cast<long>((ms % 1000) * 1000);
    return tv;
}

enum class Ready { No, Yes, Error, Failed };

// select() on one socket. A failed connect shows in the exception set, which
// WSAPoll does not report on every Windows version.
Ready WaitFor(SOCKET s, bool forWrite, std::chrono::milliseconds wait)
{
    fd_set wanted, failed;
    FD_ZERO(&wanted);
    FD_ZERO(&failed);
    FD_SET(s, &wanted);
    FD_SET(s, &failed);
    timeval tv = ToTimeval(wait);
    const int n = ::select(0, forWrite ? nullptr : &wanted, forWrite ? &wanted : nullptr, &failed, &tv);
    if (n == SOCKET_ERROR) return Ready::Failed;
    if (n == 0) return Ready::No;
    if (FD_ISSET(s, &failed)) return Ready::Error;
    return Ready::Yes;
}

int SocketError(SOCKET s)
{
    int error = 0;
    int size = sizeof error;
    if (::getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size) != 0) return ::WSAGetLastError();
    return error;
}

// The connection's TCP state and bytes in flight (Windows 10 1703 and later).
bool QueryTcpInfo(SOCKET s, TCP_INFO_v0& info)
{
    DWORD version = 0;
    DWORD returned = 0;
    return ::WSAIoctl(s, SIO_TCP_INFO, &version, sizeof version, &info, sizeof info, &returned, nullptr, nullptr) == 0;
}

}  // namespace

TcpSocket::~TcpSocket()
{
    Close();
}

bool TcpSocket::Fail()
{
    m_lastError = ::WSAGetLastError();
    return false;
}

bool TcpSocket::Create()
{
    Close();
    int startError = 0;
    if (!StartWinsock(startError)) {
        m_lastError = startError;
        return false;
    }
    // Not inherited by child processes; non-blocking for its whole life, so
    // every wait goes through select() with a limit.
    SOCKET s =
        ::WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
    if (s == INVALID_SOCKET) return Fail();
    u_long nonBlocking = 1;
    if (::ioctlsocket(s, FIONBIO, &nonBlocking) != 0) {
        Fail();
        ::closesocket(s);
        return false;
    }
    m_handle = static_cast<std::intptr_t>(s);
    m_peerClosed = false;
    m_reset = false;
    return true;
}

bool TcpSocket::IsConnectableAddress(const std::string& dottedAddress)
{
    int ignored = 0;
    if (!StartWinsock(ignored)) return false;
    in_addr parsed{};
    return ::inet_pton(AF_INET, dottedAddress.c_str(), &parsed) == 1;
}

bool TcpSocket::Connect(const std::string& dottedAddress, int port, std::chrono::milliseconds timeout,
                        const std::atomic<int>* cancel)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    if (port < 1 || port > 65535 || ::inet_pton(AF_INET, dottedAddress.c_str(), &address.sin_addr) != 1) {
        m_lastError = WSAEINVAL;
        return false;
    }
    SOCKET s = AsSocket(m_handle);
    if (::connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) return true;
    if (::WSAGetLastError() != WSAEWOULDBLOCK) return Fail();
    // Waited for in slices, so that Cancel ends a connect that nobody answers.
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (IsSet(cancel)) {
            m_lastError = 0;
            return false;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            m_lastError = WSAETIMEDOUT;
            return false;
        }
        switch (WaitFor(s, true, std::min(left, std::chrono::milliseconds(kSendSliceMs)))) {
        case Ready::No: continue;
        case Ready::Failed: return Fail();
        case Ready::Yes:
        case Ready::Error: m_lastError = SocketError(s); return m_lastError == 0;
        }
    }
}

bool TcpSocket::WaitWritable(std::chrono::milliseconds slice, bool& ready)
{
    Ready state = WaitFor(AsSocket(m_handle), true, slice);
    if (state == Ready::Failed) return Fail();
    // Errors show up as the send's own error on the next try.
    ready = state != Ready::No;
    return true;
}

long TcpSocket::SendAll(const void* buffer, std::size_t length, const std::atomic<int>* cancel)
{
    if (m_reset) {
        m_lastError = WSAECONNRESET;
        return -1;
    }
    const char* bytes = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (done < length) {
        const int chunk = static_cast<int>(std::min<std::size_t>(length - done, 1u << 30));
        const int n = ::send(AsSocket(m_handle), bytes + done, chunk, 0);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n == SOCKET_ERROR && ::WSAGetLastError() != WSAEWOULDBLOCK) {
            Fail();
            if (m_lastError == WSAECONNRESET) m_reset = true;
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
    SOCKET s = AsSocket(m_handle);
    if (wait.count() > 0 && WaitFor(s, false, wait) == Ready::No) return result;
    const int n = ::recv(s, static_cast<char*>(buffer), static_cast<int>(std::min<std::size_t>(length, 1u << 30)), 0);
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
    if (::WSAGetLastError() == WSAEWOULDBLOCK) return result;
    Fail();
    // A reset (or aborted) connection is gone as surely as a closed one.
    if (m_lastError == WSAECONNRESET || m_lastError == WSAECONNABORTED) {
        m_peerClosed = true;
        m_reset = true;
    }
    result.status = ReceiveResult::Failed;
    return result;
}

long TcpSocket::UnacknowledgedBytes()
{
    TCP_INFO_v0 info{};
    if (!QueryTcpInfo(AsSocket(m_handle), info)) {
        m_lastError = ::WSAGetLastError();
        return -1;
    }
    return static_cast<long>(info.BytesInFlight);
}

bool TcpSocket::ShutdownSend()
{
    if (::shutdown(AsSocket(m_handle), SD_SEND) != 0) return Fail();
    return true;
}

TcpSocket::Delivery TcpSocket::CheckDelivery()
{
    SOCKET s = AsSocket(m_handle);
    const int error = SocketError(s);
    if (error != 0 || m_reset) {
        m_lastError = error != 0 ? error : WSAECONNRESET;
        m_reset = m_reset || m_lastError == WSAECONNRESET;
        return Delivery::Failed;
    }
    TCP_INFO_v0 info{};
    if (!QueryTcpInfo(s, info)) {
        // Without the TCP state (older Windows, Wine) an unbroken connection
        // after our end of stream is as far as the system lets us see; the
        // caller still watches for a reset before calling it delivered.
        return Delivery::AllAcknowledged;
    }
    switch (info.State) {
    // Our end of stream was acknowledged, so was every byte before it.
    case TCPSTATE_FIN_WAIT_2: return Delivery::AllAcknowledged;
    // Both ends have closed in order and every byte was acknowledged.
    case TCPSTATE_TIME_WAIT:
    case TCPSTATE_CLOSED: return Delivery::Delivered;
    default: return Delivery::Pending;
    }
}

void TcpSocket::CloseAbortive()
{
    if (m_handle < 0) return;
    linger abort{1, 0};
    (void)::setsockopt(AsSocket(m_handle), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort), sizeof abort);
    Close();
}

void TcpSocket::Close()
{
    if (m_handle < 0) return;
    ::closesocket(AsSocket(m_handle));
    m_handle = -1;
}

}  // namespace kerfmax
