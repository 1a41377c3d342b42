#pragma once
// One TCP connection to a network cutter with the waits a send needs: a
// connect that Cancel or a time limit ends, sends that wait for a busy peer as
// long as the system says it is alive, and the delivery check at the end.
#include <atomic>
#include <chrono>
#include <cstddef>
#include <string>

#include "cutter/LinkLiveness.h"
#include "platform/TcpSocket.h"

namespace kerfmax {

struct ReceiveResult {
    enum Status { Data, NothingYet, PeerClosed, Failed };
    Status status = NothingYet;
    std::size_t count = 0;
};

class TcpStream {
public:
    // A socket with the liveness settings and the small send buffer.
    bool Create();
    // Connects to a dotted IPv4 address; gives up after timeout, or as soon as
    // *cancel becomes non-zero (then LastError() is 0).
    bool Connect(const std::string& dottedAddress, int port, std::chrono::milliseconds timeout,
                 const std::atomic<int>* cancel = nullptr);

    // Sends every byte, waiting while the peer is busy. Returns the count sent
    // (short only when cancelled) or -1 when the connection failed. A peer
    // that only ended its own sending direction may still read.
    long SendAll(const void* buffer, std::size_t length, const std::atomic<int>* cancel);
    // Takes what has arrived, waiting at most `wait` for it.
    ReceiveResult Receive(void* buffer, std::size_t length, std::chrono::milliseconds wait);
    // The peer has ended its sending direction (it may still read).
    bool PeerHasClosed() const { return m_peerClosed; }

    bool ShutdownSend();
    // After ShutdownSend: where our bytes are. Failed (LastError() set) when
    // the connection was reset or the system gave the peer up.
    enum class Delivery { Pending, AllAcknowledged, Delivered, Failed };
    Delivery CheckDelivery();
    // Keeps the system's time-out right for a peer with a closed window.
    void WatchWindow();

    // Bytes handed to the system that the peer has not acknowledged; -1 unknown.
    long QueuedBytes() { return m_socket.Flow().queuedBytes; }
    // Bytes the last failed SendAll handed to the system before it failed: its
    // -1 does not count them, the system's queue does.
    std::size_t UnreportedBytes() const { return m_unreported; }
    // The send buffer the system granted.
    int SendBufferBytes() { return m_socket.SendBufferBytes(); }

    void Close() { m_socket.Close(); }
    // Drops whatever is still queued (the peer sees a reset).
    void CloseAbortive() { m_socket.CloseAbortive(); }
    int LastError() const { return m_socket.LastError(); }

private:
    LinkState LookWritable(std::chrono::milliseconds slice);
    void Failed(const TcpIoResult& result);

    TcpSocket m_socket;
    TcpWindowWatch m_window;
    bool m_peerClosed = false;
    bool m_reset = false;
    bool m_givenUp = false;
    std::size_t m_unreported = 0;
};

}  // namespace kerfmax
