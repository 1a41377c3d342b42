#pragma once
// A TCP stream socket for one connection to a network cutter. POSIX back end:
// BSD sockets; Windows back end: Winsock (WSAPoll, send, shutdown SD_SEND).
// Every wait is bounded or sliced so that a caller can give up.
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace kerfmax {

struct ReceiveResult {
    enum Status { Data, NothingYet, PeerClosed, Failed };
    Status status = NothingYet;
    std::size_t count = 0;
};

class TcpSocket {
public:
    TcpSocket() = default;
    ~TcpSocket();
    TcpSocket(const TcpSocket&) = delete;
    TcpSocket& operator=(const TcpSocket&) = delete;

    // A stream socket on any local port.
    bool Create();
    bool IsValid() const { return m_handle >= 0; }

    // Connects to a dotted IPv4 address; gives up after timeout.
    bool Connect(const std::string& dottedAddress, int port, std::chrono::milliseconds timeout);

    // Sends every byte, waiting for room in short slices and stopping when
    // *cancel becomes non-zero. Returns the count sent (short only when
    // cancelled) or -1 on error. After the peer has closed, fails with the
    // platform's broken-connection error instead of sending into the void.
    long SendAll(const void* buffer, std::size_t length, const std::atomic<int>* cancel);

    // Takes what has arrived, waiting at most `wait` for it.
    ReceiveResult Receive(void* buffer, std::size_t length, std::chrono::milliseconds wait);

    bool PeerHasClosed() const { return m_peerClosed; }
    // Bytes sent but not yet acknowledged by the peer; -1 when the platform cannot tell.
    long UnacknowledgedBytes();

    // Ends our sending direction; the peer reads end-of-stream after our data.
    bool ShutdownSend();
    void Close();

    int LastError() const { return m_lastError; }

private:
    bool Fail();
    bool WaitWritable(std::chrono::milliseconds slice, bool& ready);

    std::intptr_t m_handle = -1;   // descriptor here, SOCKET on Windows
    int m_lastError = 0;
    bool m_peerClosed = false;
};

}  // namespace kerfmax
