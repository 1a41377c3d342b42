#pragma once
// The TCP connection to a network cutter: a blocking-style socket that keeps
// the last text the peer sent, tells the user when the peer closes, and
// formats socket errors for message boxes.
#include <atomic>
#include <chrono>
#include <string>

#include "platform/TcpSocket.h"

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
    // Gives up after kConnectTimeout so an address that never answers cannot
    // freeze the caller.
    bool Connect(const std::string& hostAddress, int port);
    // The whole chunk: count sent (short only when cancelled) or -1.
    int Send(const void* buffer, int length, const std::atomic<int>* cancel);
    // Delivers what the peer did since the last look (data, close) without waiting.
    void PumpNotifications();
    // Orderly end: the peer gets every byte before the connection goes away.
    void Close(const std::atomic<int>* cancel = nullptr);

    virtual void OnReceive(int errorCode);
    virtual void OnClose(int errorCode);

    int GetLastError() const { return m_socket.LastError(); }
    // "Warning: %s\n" with the system's text for the code.
    static std::string FormatError(int errorCode);
    // Shows "SendMsg Error!!!\n" and the formatted last error in one box; returns -1.
    int ReportSendError();

    // The last text the peer sent (up to its first NUL byte).
    std::string receivedText;

    static constexpr int kConnectTimeoutMs = 5000;
    static constexpr int kCloseWaitMs = 3000;

private:
    Notifier& Notify();
    // Takes one arrival (waiting at most `wait`); true when data came.
    bool TakeIncoming(bool& peerClosed, std::chrono::milliseconds wait);
    void WaitForPeer(const std::atomic<int>* cancel);

    TcpSocket m_socket;
    Notifier* m_pNotifier;
    std::chrono::steady_clock::time_point m_lastPump{};
    bool m_bConnected = false;
    bool m_bCloseReported = false;
};

}  // namespace kerfmax
