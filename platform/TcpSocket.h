#pragma once
// A TCP stream socket for one connection to a network cutter, as the system
// offers it: one non-blocking call per operation and typed answers. POSIX back
// end: BSD sockets; Windows back end: Winsock. The waits and the judgement of
// a peer that is busy or gone live above, in cutter/.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace kerfmax {

// How the system itself watches the connection for a peer that is gone.
struct TcpKeepAliveSettings {
    std::chrono::seconds idle{0};  // quiet time before the first keepalive probe
    std::chrono::seconds interval{0};  // between unanswered probes
    int probes = 0;  // unanswered probes that end the connection
    std::chrono::milliseconds userTimeout{0};  // data unacknowledged this long ends it
};

// The answer of one send, receive or connect call.
enum class TcpIoStatus {
    Moved,  // bytes went (or the connection is up)
    WouldBlock,  // nothing could move now; try again later
    EndOfStream,  // the peer ended its sending direction
    Reset,  // the peer reset or aborted the connection
    Failed,  // any other error (LastError())
};

struct TcpIoResult {
    TcpIoStatus status = TcpIoStatus::WouldBlock;
    std::size_t count = 0;
};

enum class TcpReady { Ready, NotYet, Failed };

// How far the closing handshake has come.
enum class TcpPhase {
    Open,  // no end of stream sent yet
    Closing,  // our end of stream is sent, not yet acknowledged
    EndAcknowledged,  // our end of stream, and so every byte, was acknowledged
    Closed,  // both ends have closed in order
    Unknown,  // the system does not tell
};

// What the system knows about the flow of our bytes.
struct TcpFlow {
    TcpPhase phase = TcpPhase::Unknown;
    // Bytes wait to be sent and none are in flight: the peer's window is closed.
    bool windowClosed = false;
    // Time since the peer last acknowledged anything (a probe too); -1 unknown.
    long sincePeerAckMs = -1;
    // Bytes handed to the system that the peer has not acknowledged; -1 unknown.
    // Where the system does not tell them exactly, a number never below them.
    long queuedBytes = -1;
};

class TcpSocket {
public:
    TcpSocket() = default;
    ~TcpSocket();
    TcpSocket(const TcpSocket&) = delete;
    TcpSocket& operator=(const TcpSocket&) = delete;

    // A non-blocking stream socket on any local port.
    bool Create();
    bool IsValid() const { return m_handle >= 0; }

    // True for exactly the address texts Connect can connect to: dotted IPv4.
    static bool IsConnectableAddress(const std::string& dottedAddress);

    // Moved: connected at once; WouldBlock: under way (wait writable, then
    // PendingError); Failed: LastError() set (EINVAL kind for a bad address).
    TcpIoStatus StartConnect(const std::string& dottedAddress, int port);
    // Waits at most `wait`. Writable also means "has an error to tell".
    TcpReady WaitWritable(std::chrono::milliseconds wait);
    TcpReady WaitReadable(std::chrono::milliseconds wait);
    // The connection's pending error (0 when none); also kept as LastError().
    int PendingError();

    bool SetKeepAlive(const TcpKeepAliveSettings& settings);
    bool SetUserTimeout(std::chrono::milliseconds timeout);
    // Asks for a send buffer of this size; SendBufferBytes() is what was granted.
    bool SetSendBuffer(int bytes);
    int SendBufferBytes();

    TcpIoResult Send(const void* buffer, std::size_t length);
    TcpIoResult Receive(void* buffer, std::size_t length);
    TcpFlow Flow();

    // Ends our sending direction; the peer reads end-of-stream after our data.
    bool ShutdownSend();
    void Close();
    // Closes at once and drops whatever is still queued (the peer sees a reset).
    void CloseAbortive();

    int LastError() const { return m_lastError; }
    void SetLastError(int code) { m_lastError = code; }

private:
    bool Fail();

    std::intptr_t m_handle = -1;  // descriptor here, SOCKET on Windows
    int m_lastError = 0;
};

}  // namespace kerfmax
