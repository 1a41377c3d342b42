#pragma once
// Real far ends for the link tests: a socat pty pair standing in for a serial
// cutter, a loopback TCP listener standing in for a network cutter, and a
// count of this process's open descriptors.
#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <sys/types.h>
#include <thread>

#include "support/TestSupport.h"

// Own namespace: other test files in this program keep same-named helpers.
namespace kerfmax::linktest {

using test::TempDir;
using test::ReadFileBytes;

// Two ptys joined by socat: the cutter opens CutterSide(), the test reads and
// writes FarEnd(). A keeper descriptor on each side keeps socat from seeing a
// hang-up when the cutter closes its end, so a pair survives many open/close
// cycles.
class SocatPtyPair {
public:
    SocatPtyPair();
    ~SocatPtyPair();
    SocatPtyPair(const SocatPtyPair&) = delete;
    SocatPtyPair& operator=(const SocatPtyPair&) = delete;

    bool Ready() const { return !m_cutterSide.empty(); }
    const std::string& CutterSide() const { return m_cutterSide; }
    int FarEnd() const { return m_farFd; }
    // Ends socat now, as when the cable is pulled.
    void Kill();

private:
    TempDir m_dir;
    pid_t m_pid = -1;
    std::string m_cutterSide;
    int m_keeperFd = -1;
    int m_farFd = -1;
};

// Reads from fd until `bytes` bytes have come or `limit` passes without any.
std::string ReadExactly(int fd, std::size_t bytes,
                        std::chrono::milliseconds limit = std::chrono::seconds(5),
                        std::chrono::milliseconds pauseBetweenReads = std::chrono::milliseconds(0));

// A listener on 127.0.0.1, any free port, that accepts one connection and runs
// the handler with it on its own thread.
class LoopbackListener {
public:
    using Handler = std::function<void(int connection)>;
    explicit LoopbackListener(Handler handler, int receiveBufferBytes = 0);
    ~LoopbackListener();
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    int Port() const { return m_port; }
    // Waits for the handler to finish.
    void Join();

private:
    int m_listenFd = -1;
    int m_port = 0;
    std::thread m_thread;
};

// Reads until the peer closes (or `limit` passes); optionally pausing after
// each read to act as a slow cutter.
std::string ReadUntilClosed(int fd, std::chrono::milliseconds pauseBetweenReads = std::chrono::milliseconds(0),
                            std::chrono::milliseconds limit = std::chrono::seconds(20));

// A port on 127.0.0.1 where nothing listens: bound, then released.
int RefusingPort();

int OpenDescriptorCount();

}  // namespace kerfmax::linktest
