#pragma once
// A loopback TCP peer for the send benchmarks: accepts one connection on
// 127.0.0.1 and counts what it reads until the sender closes.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <thread>

namespace kerfmax::bench {

class CountingPeer {
public:
    CountingPeer()
    {
        m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        ::bind(m_listen, reinterpret_cast<sockaddr*>(&address), size);
        ::listen(m_listen, 1);
        ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &size);
        port = ntohs(address.sin_port);
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

}  // namespace kerfmax::bench
