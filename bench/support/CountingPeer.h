#pragma once
// Loopback TCP peers for the send benchmarks: one that accepts one connection
// on 127.0.0.1 and counts what it reads until the sender closes, and one whose
// listen queue is full, so a connect to it never completes.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <thread>
#include <vector>

namespace kerfmax::bench {

// A listening socket on 127.0.0.1, any free port.
inline int ListenOnLoopback(int backlog, int& port, sockaddr_in& address)
{
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    address = sockaddr_in{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), size);
    ::listen(fd, backlog);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    port = ntohs(address.sin_port);
    return fd;
}

class CountingPeer {
public:
    CountingPeer()
    {
        sockaddr_in address;
        m_listen = ListenOnLoopback(1, port, address);
        m_thread = std::thread([this] {
            int fd = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
            char buffer[65536];
            for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) m_received += static_cast<std::size_t>(n);
            ::close(fd);
        });
    }
    ~CountingPeer()
    {
        Received();
        ::close(m_listen);
    }
    CountingPeer(const CountingPeer&) = delete;
    CountingPeer& operator=(const CountingPeer&) = delete;

    // Waits until the peer has read to the end; the bytes it got.
    std::size_t Received()
    {
        if (m_thread.joinable()) m_thread.join();
        return m_received;
    }
    int port = 0;

private:
    int m_listen = -1;
    std::size_t m_received = 0;
    std::thread m_thread;
};

// A listener that takes no more connections: its queue is filled and never accepted.
class FullListener {
public:
    FullListener()
    {
        sockaddr_in address;
        m_listen = ListenOnLoopback(0, port, address);
        for (int i = 0; i < 4; ++i) {
            int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
            ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
            m_queued.push_back(fd);
        }
    }
    ~FullListener()
    {
        for (int fd : m_queued) ::close(fd);
        ::close(m_listen);
    }
    FullListener(const FullListener&) = delete;
    FullListener& operator=(const FullListener&) = delete;
    int port = 0;

private:
    int m_listen = -1;
    std::vector<int> m_queued;
};

}  // namespace kerfmax::bench
