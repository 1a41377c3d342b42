// Winsock through TcpStream and CSocketX against a listener on 127.0.0.1
// that the test starts itself.
#include <gtest/gtest.h>

#include <winsock2.h>
#include <ws2tcpip.h>

#include <thread>

#include "cutter/SocketX.h"
#include "cutter/TcpStream.h"
#include "platform/SystemError.h"
#include "platform/TcpSocket.h"

namespace kerfmax {
namespace {

using namespace std::chrono_literals;

// A listening socket on a free loopback port.
class Listener {
public:
    Listener()
    {
        WSADATA data;
        ::WSAStartup(MAKEWORD(2, 2), &data);
        m_socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(m_socket, 4);
        int size = sizeof address;
        ::getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &size);
        m_port = ntohs(address.sin_port);
    }
    ~Listener() { Close(); }
    void Close()
    {
        if (m_socket != INVALID_SOCKET) ::closesocket(m_socket);
        m_socket = INVALID_SOCKET;
    }
    int Port() const { return m_port; }
    // Accepts one peer and reads until it ends its sending direction.
    std::string AcceptAndReadAll()
    {
        SOCKET peer = ::accept(m_socket, nullptr, nullptr);
        std::string bytes;
        char buffer[4096];
        int n;
        while ((n = ::recv(peer, buffer, sizeof buffer, 0)) > 0) bytes.append(buffer, static_cast<std::size_t>(n));
        ::closesocket(peer);
        return bytes;
    }

private:
    SOCKET m_socket = INVALID_SOCKET;
    int m_port = 0;
};

TEST(TcpWin32, SendsEveryByteAndSeesThePeerClose)
{
    Listener listener;
    std::string received;
    std::thread peer([&] { received = listener.AcceptAndReadAll(); });
    TcpStream socket;
    ASSERT_TRUE(socket.Create());
    ASSERT_TRUE(socket.Connect("127.0.0.1", listener.Port(), 5s)) << SystemErrorText(socket.LastError());
    std::string job(300000, 'P');
    job += "@@@@@@@@@@@@@@@@@@@;";
    EXPECT_EQ(socket.SendAll(job.data(), job.size(), nullptr), static_cast<long>(job.size()));
    ASSERT_TRUE(socket.ShutdownSend());
    peer.join();
    EXPECT_EQ(received, job);

    // The peer has closed after reading: our side reads end of stream.
    char buffer[16];
    ReceiveResult result;
    for (int i = 0; i < 50 && result.status == ReceiveResult::NothingYet; ++i)
        result = socket.Receive(buffer, sizeof buffer, 100ms);
    EXPECT_EQ(result.status, ReceiveResult::PeerClosed);
    EXPECT_TRUE(socket.PeerHasClosed());
    EXPECT_NE(socket.CheckDelivery(), TcpStream::Delivery::Failed);
}

TEST(TcpWin32, ARefusedConnectionGivesTheSystemsRefusedText)
{
    int port = 0;
    {
        Listener closed;  // a port that was free a moment ago and has no listener now
        port = closed.Port();
    }
    TcpStream socket;
    ASSERT_TRUE(socket.Create());
    EXPECT_FALSE(socket.Connect("127.0.0.1", port, 5s));
    EXPECT_EQ(socket.LastError(), WSAECONNREFUSED);
    const std::string text = CSocketX::FormatError(socket.LastError());
    EXPECT_EQ(text.rfind("Warning: ", 0), 0u) << text;
    EXPECT_EQ(text.back(), '\n');
    EXPECT_EQ(text.find("Unknown error"), std::string::npos) << text;
    EXPECT_GT(text.size(), std::string("Warning: \n").size() + 5);
}

TEST(TcpWin32, OnlyDottedAddressesConnect)
{
    EXPECT_TRUE(TcpSocket::IsConnectableAddress("127.0.0.1"));
    EXPECT_FALSE(TcpSocket::IsConnectableAddress("localhost"));
    EXPECT_FALSE(TcpSocket::IsConnectableAddress("256.1.1.1"));
    TcpStream socket;
    ASSERT_TRUE(socket.Create());
    EXPECT_FALSE(socket.Connect("localhost", 5000, 1s));
    EXPECT_EQ(socket.LastError(), WSAEINVAL);
}

}  // namespace
}  // namespace kerfmax
