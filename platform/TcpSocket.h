#pragma once
// A TCP stream socket for one connection to a network cutter. POSIX back end:
// BSD sockets; Windows back end: Winsock (select, send, shutdown SD_SEND).
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

    // True for exactly the address texts Connect can connect to: dotted IPv4.
    static bool IsConnectableAddress(const std::string& dottedAddress);

    // Connects to a dotted IPv4 address; gives up after timeout, or as soon as
    // *cancel becomes non-zero (then LastError() is 0).
    bool Connect(const std::string& dottedAddress, int port, std::chrono::milliseconds timeout,
                 const std::atomic<int>* cancel = nullptr);

    // Sends every byte, waiting for room in short slices and stopping when
    // *cancel becomes non-zero. Returns the count sent (short only when
    // cancelled) or -1 on error. A peer that only ended its own sending
    // direction may still read: its end-of-stream does not stop a send.
    long SendAll(const void* buffer, std::size_t length, const std::atomic<int>* cancel);

    // Takes what has arrived, waiting at most `wait` for it.
    ReceiveResult Receive(void* buffer, std::size_t length, std::chrono::milliseconds wait);

    // The peer has ended its sending direction (it may still read).
    bool PeerHasClosed() const { return m_peerClosed; }
    // Bytes sent but not yet acknowledged by the peer; -1 when the platform cannot tell.
    long UnacknowledgedBytes();

    // Ends our sending direction; the peer reads end-of-stream after our data.
    bool ShutdownSend();

    // After ShutdownSend: where our bytes are. Delivered once the peer has
    // acknowledged every byte and our end of stream; Failed (LastError() set)
    // when the connection was reset or has failed.
    enum class Delivery { Pending, AllAcknowledged, Delivered, Failed };
    Delivery CheckDelivery();

    void Close();
    // Closes at once and drops whatever is still queued (the peer sees a reset).
    void CloseAbortive();

    int LastError() const { return m_lastError; }

private:
    bool Fail();
    bool WaitWritable(std::chrono::milliseconds slice, bool& ready);

    std::intptr_t m_handle = -1;  // descriptor here, SOCKET on Windows
    int m_lastError = 0;
    bool m_peerClosed = false;
    bool m_reset = false;
};

}  // namespace kerfmax
