#pragma once
// Real far ends for send tests: a socat pty pair (the test reads the far pty),
// a TCP listener on 127.0.0.1 that records, trickles, pauses or stalls, a CTS
// line the test holds, the send worker on its own thread, the process's open
// descriptor count, and the jobs they carry.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "cutter/Cutter.h"
#include "cutter/LinkSettings.h"
#include "cutter/SendWorker.h"
#include "platform/SerialDevice.h"
#include "support/TestSupport.h"

namespace kerfmax::sendtest {

using test::TempDir;

using Clock = std::chrono::steady_clock;

inline LinkSettings NetworkLink(int port)
{
    LinkSettings link;
    link.linkType = LINK_NETWORK;
    link.hostAddress = "127.0.0.1";
    link.tcpPort = port;
    link.noAckWait = 1;
    return link;
}

inline LinkSettings SerialLink(const std::string& device, std::int32_t type = LINK_SERIAL)
{
    LinkSettings link;
    link.linkType = type;
    link.baudRate = kCutterBaudRate;
    link.serialDevicePath = device;
    return link;
}

inline int OpenDescriptorCount()
{
    return static_cast<int>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}));
}

// Whatever arrives on fd until `quiet` passes without a byte, waiting at most
// `first` for the first one.
inline std::string ReadUntilQuiet(int fd, std::chrono::milliseconds first, std::chrono::milliseconds quiet)
{
    std::string bytes;
    char buffer[4096];
    auto wait = first;
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        int ready = ::poll(&p, 1, static_cast<int>(wait.count()));
        if (ready <= 0 || !(p.revents & POLLIN)) return bytes;
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0) return bytes;
        bytes.append(buffer, static_cast<size_t>(n));
        wait = quiet;
    }
}

// Pen-downs "PDi,-i;" until the text holds `bytes` bytes or more.
inline std::string Strokes(std::size_t bytes)
{
    std::string job;
    for (int i = 0; job.size() < bytes; ++i) job += "PD" + std::to_string(i) + "," + std::to_string(-i) + ";";
    return job;
}

// Letters with counters: `letters` squares of 20 mm, `perRow` to a row, each
// with a 5 mm square inside; the job's records without its end ("SP0;").
inline std::string LettersJob(int letters, int perRow)
{
    std::string job;
    auto square = [&job](int x, int y, int size) {
        const int corners[5][2] = {{0, 0}, {size, 0}, {size, size}, {0, size}, {0, 0}};
        for (int c = 0; c < 5; ++c)
            job += (c == 0 ? "PU" : "PD") + std::to_string(x + corners[c][0]) + "," +
                   std::to_string(y + corners[c][1]) + ";";
    };
    for (int i = 0; i < letters; ++i) {
        square(i % perRow * 1000, i / perRow * 1000, 800);
        square(i % perRow * 1000 + 300, i / perRow * 1000 + 300, 200);
    }
    return job;
}

// Where the pen-up commands of an output stream begin, from `from` on: read
// from the commands themselves.
inline std::vector<std::size_t> PenUpStarts(const std::string& stream, std::size_t from)
{
    std::vector<std::size_t> starts;
    for (std::size_t at = from; at < stream.size(); at = stream.find(';', at) + 1)
        if (stream.compare(at, 2, "PU") == 0) starts.push_back(at);
    return starts;
}

// socat pty,raw,echo=0 twice: two linked ptys. The cutter opens Near(); the
// test reads Far().
class SocatPtyPair {
public:
    SocatPtyPair()
    {
        const auto nearLink = m_dir / "near", farLink = m_dir / "far";
        const std::string nearAddress = "pty,raw,echo=0,link=" + nearLink.string();
        const std::string farAddress = "pty,raw,echo=0,link=" + farLink.string();
        m_pid = ::fork();
        if (m_pid == 0) {
            ::execlp("socat", "socat", nearAddress.c_str(), farAddress.c_str(), (char*)nullptr);
            _exit(127);
        }
        std::error_code ec;
        for (auto until = Clock::now() + std::chrono::seconds(5); Clock::now() < until && m_farFd < 0;) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            if (!std::filesystem::exists(nearLink, ec) || !std::filesystem::exists(farLink, ec)) continue;
            m_near = std::filesystem::read_symlink(nearLink, ec).string();
            m_farFd = ::open(farLink.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        }
    }
    ~SocatPtyPair()
    {
        if (m_farFd >= 0) ::close(m_farFd);
        Kill();
    }
    SocatPtyPair(const SocatPtyPair&) = delete;
    SocatPtyPair& operator=(const SocatPtyPair&) = delete;

    bool Ready() const { return m_farFd >= 0; }
    const std::string& Near() const { return m_near; }
    int FarFd() const { return m_farFd; }
    std::string ReadFar(std::chrono::milliseconds first = std::chrono::seconds(2),
                        std::chrono::milliseconds quiet = std::chrono::milliseconds(100))
    {
        return ReadUntilQuiet(m_farFd, first, quiet);
    }
    // The "device" goes away: the near pty's other side closes.
    void Kill()
    {
        if (m_pid <= 0) return;
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

private:
    TempDir m_dir;
    pid_t m_pid = -1;
    std::string m_near;
    int m_farFd = -1;
};

// A listening socket on 127.0.0.1 at a free port; gives the descriptor.
inline int ListenOnLoopback(int& port, int receiveBuffer = 0)
{
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    // Inherited by the accepted socket: a small one makes the sender stall soon.
    if (receiveBuffer > 0) ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(fd, 1);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    return fd;
}

// A reader that stops for a while after `after` bytes, as a cutter whose
// buffer is full does while it cuts; `receiveBuffer` (when set) is its socket's
// receive buffer, as small as an embedded cutter's.
struct ReaderPause {
    std::size_t after = SIZE_MAX;
    std::chrono::seconds pause{0};
    int receiveBuffer = 0;
};

// One-connection TCP peer on 127.0.0.1 that records every byte until the
// sender closes, records slowly, accepts and never reads, reads 1 KB and
// closes, ends its own sending side at once and then records, or reads
// `pause.after` bytes, stops and resets once the sender stalls (recording what
// its system acknowledged, as a cutter keeps what reached its buffer).
class TcpPeer {
public:
    enum class Mode { Record, SlowRecord, NeverRead, ReadOneKilobyteThenClose, HalfCloseThenRecord, ReadThenReset };

    // NeverRead is a small-buffer reader that pauses before its first byte until the end.
    explicit TcpPeer(Mode mode = Mode::Record, ReaderPause pause = {})
        : m_mode(mode), m_pause(mode == Mode::NeverRead ? ReaderPause{0, std::chrono::hours(24), 4096} : pause)
    {
        m_listener = ListenOnLoopback(m_port, m_pause.receiveBuffer);
        m_thread = std::thread([this] { Serve(); });
    }
    ~TcpPeer()
    {
        m_stop.store(true);
        m_thread.join();
        ::close(m_listener);
    }

    int Port() const { return m_port; }
    // Waits until the sender has closed, then gives every byte.
    std::string Received(std::chrono::seconds timeout = std::chrono::seconds(10))
    {
        for (auto until = Clock::now() + timeout; Clock::now() < until && !m_ended.load();)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_bytes;
    }
    std::size_t ReceivedSoFar()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_bytes.size();
    }
    bool Accepted() const { return m_accepted.load(); }
    bool Paused() const { return m_paused.load(); }

private:
    bool WaitReadable(int fd)
    {
        while (!m_stop.load()) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 20) > 0) return true;
        }
        return false;
    }
    void Serve()
    {
        if (!WaitReadable(m_listener)) return;
        int fd = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) return;
        m_accepted.store(true);
        if (m_mode == Mode::HalfCloseThenRecord) ::shutdown(fd, SHUT_WR);
        const bool resets = m_mode == Mode::ReadThenReset;
        ReadAll(fd, resets ? m_pause.after : m_mode == Mode::ReadOneKilobyteThenClose ? 1024 : SIZE_MAX);
        if (resets) KeepAcknowledgedAndReset(fd);
        ::close(fd);
        m_ended.store(true);
    }
    // Waits until the receive queue stops growing (the sender is held by the
    // closed window), records it without reading, so the window stays shut,
    // and makes the close a reset.
    void KeepAcknowledgedAndReset(int fd)
    {
        int queued = -1;
        for (int last = -2; !m_stop.load() && queued != last;) {
            last = queued;
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            if (::ioctl(fd, FIONREAD, &queued) != 0) break;
        }
        if (queued > 0) {
            std::string held(static_cast<std::size_t>(queued), '\0');
            const ssize_t n = ::recv(fd, held.data(), held.size(), MSG_PEEK);
            std::lock_guard<std::mutex> lock(m_mutex);
            if (n > 0) m_bytes.append(held.data(), static_cast<std::size_t>(n));
        }
        linger reset{1, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    }
    void PauseIfDue(std::size_t have)
    {
        if (have < m_pause.after || m_paused.exchange(true)) return;
        for (auto until = Clock::now() + m_pause.pause; Clock::now() < until && !m_stop.load();)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    void ReadAll(int fd, std::size_t limit)
    {
        const bool slow = m_mode == Mode::SlowRecord;
        std::string buffer(slow ? 4096 : 65536, '\0');
        for (;;) {
            std::size_t have = ReceivedSoFar();
            PauseIfDue(have);
            if (have >= limit || !WaitReadable(fd)) return;
            std::size_t want = std::min(buffer.size(), limit - have);
            if (!m_paused.load()) want = std::min(want, m_pause.after - have);
            ssize_t n = ::read(fd, buffer.data(), want);
            if (n <= 0) return;
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_bytes.append(buffer.data(), static_cast<size_t>(n));
            }
            if (slow) std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
    }

    Mode m_mode;
    ReaderPause m_pause;
    int m_listener = -1;
    int m_port = 0;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_accepted{false};
    std::atomic<bool> m_ended{false};
    std::atomic<bool> m_paused{false};
    std::mutex m_mutex;
    std::string m_bytes;
};

// The send worker on a thread of its own, as a Send runs it: its outcome, its
// messages, its percentages, the bytes it counted as sent, and when it ended.
struct BackgroundSend {
    BackgroundSend(CCutter& cutter, std::int32_t linkType, const std::filesystem::path& file) : cutter(cutter)
    {
        StreamCallbacks callbacks;
        callbacks.progress = [this](const SendProgress& p) {
            bytesSent.store(p.bytesSent);
            std::lock_guard<std::mutex> lock(mutex);
            percents.push_back(p.percent);
        };
        callbacks.message = [this](const std::string& text, NotifyIcon) {
            std::lock_guard<std::mutex> lock(mutex);
            messages += text + "\n";
        };
        thread = std::thread([this, &cutter, linkType, file, callbacks] {
            std::uint64_t confirmedBytes = 0;
            SendOutcome o =
                SendWorker(cutter, linkType, file, cancel, "Open temp file fail!", callbacks, &confirmedBytes);
            std::lock_guard<std::mutex> lock(mutex);
            outcome = o;
            confirmed = confirmedBytes;
            endedAt = Clock::now();
            ended.store(true);
        });
    }
    ~BackgroundSend()
    {
        cancel.store(1);
        if (thread.joinable()) thread.join();
        // The cutter keeps the flag of its last write for its close; this one ends here.
        cutter.SetCancelFlag(nullptr);
    }
    void Wait()
    {
        if (thread.joinable()) thread.join();
    }
    CCutter& cutter;
    std::atomic<int> cancel{0};
    std::atomic<std::uint64_t> bytesSent{0};
    std::atomic<bool> ended{false};
    std::mutex mutex;
    std::string messages;
    std::vector<int> percents;
    SendOutcome outcome = SendOutcome::Failed;
    std::uint64_t confirmed = 0;  // what the link confirmed, once ended
    Clock::time_point endedAt;
    std::thread thread;
};

// A CTS line the test holds; onPoll (when set) runs at every look, on the
// worker thread.
class HeldCtsLine final : public ModemStatusSource {
public:
    bool ReadModemStatus(std::uint32_t& status, int& errorCode) override
    {
        polls.fetch_add(1);
        if (onPoll) onPoll();
        status = ctsOn.load() ? kModemCtsOn : 0;
        errorCode = failWith.load();  // non-zero: the port has gone away
        return errorCode == 0;
    }
    std::atomic<bool> ctsOn{true};
    std::atomic<int> failWith{0};
    std::atomic<int> polls{0};
    std::function<void()> onPoll;
};

}  // namespace kerfmax::sendtest
