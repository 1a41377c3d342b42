#pragma once
// The TCP connection to a network cutter: a blocking-style socket that takes
// in what the peer sends, tells the user when the peer closes, and formats
// socket errors for message boxes.
#include <atomic>
#include <chrono>
#include <string>

#include "cutter/TcpStream.h"

namespace kerfmax {

class Notifier;

class CSocketX {
public:
    // nullptr reports through DefaultNotifier().
    explicit CSocketX(Notifier* notifier = nullptr);
    virtual ~CSocketX();
    CSocketX(const CSocketX&) = delete;
    CSocketX& operator=(const CSocketX&) = delete;

    bool Create();
    // Gives up after kConnectTimeoutMs, or when *cancel becomes non-zero, so an
    // address that never answers cannot hold the send.
    bool Connect(const std::string& hostAddress, int port, const std::atomic<int>* cancel = nullptr);
    // The whole chunk: count sent (short only when cancelled) or -1.
    int Send(const void* buffer, int length, const std::atomic<int>* cancel);
    // Delivers what the peer did since the last look (data, close) without waiting.
    void PumpNotifications();
    // The end of a send: ends our sending direction and waits until the peer
    // has acknowledged every byte (and, for a short while after, that it did
    // not reset the connection for bytes it never read). A busy peer is waited
    // for as long as the system finds it alive. 1 when delivered, 0 when
    // cancelled, -1 (with the send-error report) when the connection was reset
    // or the system gave the peer up.
    int FinishSend(const std::atomic<int>* cancel);
    // A set cancel flag closes abortively: what is still queued is dropped.
    void Close(const std::atomic<int>* cancel = nullptr);

    virtual void OnReceive(int errorCode);
    virtual void OnClose(int errorCode);

    int GetLastError() const { return m_nDeliveryError ? m_nDeliveryError : m_socket.LastError(); }
    // "Warning: %s\n" with the system's text for the code.
    static std::string FormatError(int errorCode);
    // Shows "SendMsg Error!!!\n" and the formatted last error in one box; returns -1.
    int ReportSendError();

    // Bytes handed to the system that the peer has not acknowledged; -1 unknown.
    long QueuedBytes() { return m_socket.QueuedBytes(); }
    // Of the bytes Send reported as sent, those the peer has not acknowledged; -1 unknown.
    long UnconfirmedBytes()
    {
        const long queued = QueuedBytes();
        if (queued < 0) return -1;
        const auto unreported = static_cast<long>(m_socket.UnreportedBytes());
        return queued > unreported ? queued - unreported : 0;
    }
    int SendBufferBytes() { return m_socket.SendBufferBytes(); }

    static constexpr int kConnectTimeoutMs = 5000;
    // How long a peer that has acknowledged everything is watched for a reset:
    // a peer that stops reading and closes resets bytes it had acknowledged.
    static constexpr int kResetWatchMs = 300;

private:
    Notifier& Notify();
    // Takes one arrival (waiting at most `wait`); true when data came.
    bool TakeIncoming(bool& peerClosed, std::chrono::milliseconds wait);
    // One slice of the delivery wait: takes arrivals, reports a peer close.
    void WatchPeer(std::chrono::milliseconds slice);
    int DeliveryFailed(int errorCode);

    TcpStream m_socket;
    Notifier* m_pNotifier;
    std::chrono::steady_clock::time_point m_lastPump{};
    bool m_bConnected = false;
    bool m_bCloseReported = false;
    int m_nDeliveryError = 0;
};

}  // namespace kerfmax
