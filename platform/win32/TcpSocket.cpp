// TCP_INFO_v0 and SIO_TCP_INFO are declared from Windows 10 1703 on.
#ifndef NTDDI_VERSION
#define NTDDI_VERSION 0x0A000003
#endif
#include <winsock2.h>
#include <ws2tcpip.h>
#include <mstcpip.h>

#include "platform/TcpSocket.h"

#include <algorithm>
#include <chrono>
#include <mutex>

#include "platform/win32/Win32Text.h"

namespace kerfmax {

namespace {

// Declared from Windows 10 1703 on; older headers lack the numbers.
#ifndef TCP_KEEPCNT
#define TCP_KEEPCNT 16
#endif
#ifndef TCP_MAXRT
#define TCP_MAXRT 5
#endif

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

// select() on one socket. A failed connect shows in the exception set, which
// WSAPoll does not report on every Windows version; it counts as ready.
TcpReady WaitFor(SOCKET s, bool forWrite, std::chrono::milliseconds wait)
{
    fd_set wanted, failed;
    FD_ZERO(&wanted);
    FD_ZERO(&failed);
    FD_SET(s, &wanted);
    FD_SET(s, &failed);
    timeval tv = ToTimeval(wait);
    const int n = ::select(0, forWrite ? nullptr : &wanted, forWrite ? &wanted : nullptr, &failed, &tv);
    if (n == SOCKET_ERROR) return TcpReady::Failed;
    return n == 0 ? TcpReady::NotYet : TcpReady::Ready;
}

bool SetDword(SOCKET s, int level, int name, DWORD value)
{
    return ::setsockopt(s, level, name, reinterpret_cast<const char*>(&value), sizeof value) == 0;
}

// The connection's TCP state and bytes in flight (Windows 10 1703 and later).
bool QueryTcpInfo(SOCKET s, TCP_INFO_v0& info)
{
    DWORD version = 0;
    DWORD returned = 0;
    return ::WSAIoctl(s, SIO_TCP_INFO, &version, sizeof version, &info, sizeof info, &returned, nullptr, nullptr) == 0;
}

TcpPhase PhaseOf(TCPSTATE state)
{
    switch (state) {
    case TCPSTATE_FIN_WAIT_1:
    case TCPSTATE_LAST_ACK:
    case TCPSTATE_CLOSING: return TcpPhase::Closing;
    case TCPSTATE_FIN_WAIT_2: return TcpPhase::EndAcknowledged;
    case TCPSTATE_TIME_WAIT:
    case TCPSTATE_CLOSED: return TcpPhase::Closed;
    default: return TcpPhase::Open;
    }
}

TcpIoStatus ErrorStatus(int error)
{
    return error == WSAECONNRESET || error == WSAECONNABORTED ? TcpIoStatus::Reset : TcpIoStatus::Failed;
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
    // Not inherited by child processes; non-blocking for its whole life.
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
    return true;
}

bool TcpSocket::IsConnectableAddress(const std::string& dottedAddress)
{
    int ignored = 0;
    if (!StartWinsock(ignored)) return false;
    in_addr parsed{};
    return ::inet_pton(AF_INET, dottedAddress.c_str(), &parsed) == 1;
}

TcpIoStatus TcpSocket::StartConnect(const std::string& dottedAddress, int port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    if (port < 1 || port > 65535 || ::inet_pton(AF_INET, dottedAddress.c_str(), &address.sin_addr) != 1) {
        m_lastError = WSAEINVAL;
        return TcpIoStatus::Failed;
    }
    if (::connect(AsSocket(m_handle), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
        return TcpIoStatus::Moved;
    if (::WSAGetLastError() == WSAEWOULDBLOCK) return TcpIoStatus::WouldBlock;
    Fail();
    return TcpIoStatus::Failed;
}

TcpReady TcpSocket::WaitWritable(std::chrono::milliseconds wait)
{
    TcpReady ready = WaitFor(AsSocket(m_handle), true, wait);
    if (ready == TcpReady::Failed) Fail();
    return ready;
}

TcpReady TcpSocket::WaitReadable(std::chrono::milliseconds wait)
{
    TcpReady ready = WaitFor(AsSocket(m_handle), false, wait);
    if (ready == TcpReady::Failed) Fail();
    return ready;
}

int TcpSocket::PendingError()
{
    int error = 0;
    int size = sizeof error;
    if (::getsockopt(AsSocket(m_handle), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size) != 0)
        error = ::WSAGetLastError();
    if (error != 0) m_lastError = error;
    return error;
}

bool TcpSocket::SetKeepAlive(const TcpKeepAliveSettings& settings)
{
    SOCKET s = AsSocket(m_handle);
    tcp_keepalive values{};
    values.onoff = 1;
    values.keepalivetime = static_cast<ULONG>(std::chrono::milliseconds(settings.idle).count());
    values.keepaliveinterval = static_cast<ULONG>(std::chrono::milliseconds(settings.interval).count());
    DWORD returned = 0;
    if (::WSAIoctl(s, SIO_KEEPALIVE_VALS, &values, sizeof values, nullptr, 0, &returned, nullptr, nullptr) != 0)
        return Fail();
    // Before Windows 10 1703 the count is fixed at ten probes.
    (void)SetDword(s, IPPROTO_TCP, TCP_KEEPCNT, static_cast<DWORD>(settings.probes));
    return SetUserTimeout(settings.userTimeout);
}

bool TcpSocket::SetUserTimeout(std::chrono::milliseconds timeout)
{
    // Whole seconds, rounded up, so that the limit is never shorter than asked.
    const auto seconds = std::chrono::ceil<std::chrono::seconds>(timeout).count();
    if (!SetDword(AsSocket(m_handle), IPPROTO_TCP, TCP_MAXRT, static_cast<DWORD>(seconds))) return Fail();
    return true;
}

bool TcpSocket::SetSendBuffer(int bytes)
{
    if (!SetDword(AsSocket(m_handle), SOL_SOCKET, SO_SNDBUF, static_cast<DWORD>(bytes))) return Fail();
    return true;
}

int TcpSocket::SendBufferBytes()
{
    int bytes = 0;
    int size = sizeof bytes;
    if (::getsockopt(AsSocket(m_handle), SOL_SOCKET, SO_SNDBUF, reinterpret_cast<char*>(&bytes), &size) != 0) return -1;
    return bytes;
}

TcpIoResult TcpSocket::Send(const void* buffer, std::size_t length)
{
    const int chunk = static_cast<int>(std::min<std::size_t>(length, 1u << 30));
    const int n = ::send(AsSocket(m_handle), static_cast<const char*>(buffer), chunk, 0);
    if (n >= 0) return {TcpIoStatus::Moved, static_cast<std::size_t>(n)};
    if (::WSAGetLastError() == WSAEWOULDBLOCK) return {TcpIoStatus::WouldBlock, 0};
    Fail();
    return {ErrorStatus(m_lastError), 0};
}

TcpIoResult TcpSocket::Receive(void* buffer, std::size_t length)
{
    const int wanted = static_cast<int>(std::min<std::size_t>(length, 1u << 30));
    const int n = ::recv(AsSocket(m_handle), static_cast<char*>(buffer), wanted, 0);
    if (n > 0) return {TcpIoStatus::Moved, static_cast<std::size_t>(n)};
    if (n == 0) return {TcpIoStatus::EndOfStream, 0};
    if (::WSAGetLastError() == WSAEWOULDBLOCK) return {TcpIoStatus::WouldBlock, 0};
    Fail();
    return {ErrorStatus(m_lastError), 0};
}

TcpFlow TcpSocket::Flow()
{
    // Without SIO_TCP_INFO (older Windows, Wine) nothing is known.
    TcpFlow flow;
    TCP_INFO_v0 info{};
    if (!QueryTcpInfo(AsSocket(m_handle), info)) return flow;
    flow.phase = PhaseOf(info.State);
    flow.windowClosed = info.SndWnd == 0 && info.BytesInFlight == 0;
    // Windows tells the bytes in flight but not those still waiting in the
    // send buffer, which holds at most its size and one send beyond it (the
    // links send far less than a buffer at a time): twice the buffer on top
    // of the bytes in flight is never below what the peer has not acknowledged.
    const int buffered = SendBufferBytes();
    if (buffered >= 0) flow.queuedBytes = static_cast<long>(info.BytesInFlight) + 2L * buffered;
    return flow;
}

bool TcpSocket::ShutdownSend()
{
    if (::shutdown(AsSocket(m_handle), SD_SEND) != 0) return Fail();
    return true;
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
