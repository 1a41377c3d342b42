#include "cutter/LinkTestHelpers.h"

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <netinet/in.h>
#include <poll.h>
#include <regex>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace kerfmax::linktest {

namespace {

std::vector<std::string> PtyNames(const std::string& log)
{
    std::vector<std::string> names;
    static const std::regex pattern("PTY is (/dev/pts/[0-9]+)");
    for (auto it = std::sregex_iterator(log.begin(), log.end(), pattern); it != std::sregex_iterator(); ++it) {
        names.push_back((*it)[1]);
    }
    return names;
}

int OpenPty(const std::string& path)
{
    return ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
}

}  // namespace

SocatPtyPair::SocatPtyPair()
{
    std::string logPath = (m_dir / "socat.log").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    std::vector<std::string> args = {"socat", "-d", "-d", "pty,raw,echo=0", "pty,raw,echo=0"};
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    int rc = posix_spawnp(&m_pid, "socat", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        m_pid = -1;
        return;
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        std::string log = ReadFileBytes(logPath);
        std::vector<std::string> names = PtyNames(log);
        if (names.size() == 2 && log.find("starting data transfer loop") != std::string::npos) {
            m_keeperFd = OpenPty(names[0]);
            m_farFd = OpenPty(names[1]);
            if (m_keeperFd >= 0 && m_farFd >= 0) m_cutterSide = names[0];
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void SocatPtyPair::Kill()
{
    if (m_pid <= 0) return;
    ::kill(m_pid, SIGTERM);
    int status = 0;
    ::waitpid(m_pid, &status, 0);
    m_pid = -1;
}

SocatPtyPair::~SocatPtyPair()
{
    Kill();
    if (m_keeperFd >= 0) ::close(m_keeperFd);
    if (m_farFd >= 0) ::close(m_farFd);
}

std::string ReadExactly(int fd, std::size_t bytes, std::chrono::milliseconds limit,
                        std::chrono::milliseconds pauseBetweenReads)
{
    std::string got;
    char buffer[4096];
    while (got.size() < bytes) {
        pollfd entry{fd, POLLIN, 0};
        if (::poll(&entry, 1, static_cast<int>(limit.count())) <= 0) break;
        std::size_t want = std::min(sizeof buffer, bytes - got.size());
        ssize_t n = ::read(fd, buffer, want);
        if (n <= 0) break;
        got.append(buffer, static_cast<std::size_t>(n));
        if (pauseBetweenReads.count() > 0) std::this_thread::sleep_for(pauseBetweenReads);
    }
    return got;
}

LoopbackListener::LoopbackListener(Handler handler, int receiveBufferBytes)
{
    m_listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (receiveBufferBytes > 0) {
        ::setsockopt(m_listenFd, SOL_SOCKET, SO_RCVBUF, &receiveBufferBytes, sizeof receiveBufferBytes);
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(m_listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(m_listenFd, 1);
    socklen_t size = sizeof address;
    ::getsockname(m_listenFd, reinterpret_cast<sockaddr*>(&address), &size);
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this, handler = std::move(handler)] {
        pollfd entry{m_listenFd, POLLIN, 0};
        if (::poll(&entry, 1, 10000) <= 0) return;
        int connection = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0) return;
        handler(connection);
        ::close(connection);
    });
}

void LoopbackListener::Join()
{
    if (m_thread.joinable()) m_thread.join();
}

LoopbackListener::~LoopbackListener()
{
    Join();
    ::close(m_listenFd);
}

std::string ReadUntilClosed(int fd, std::chrono::milliseconds pauseBetweenReads, std::chrono::milliseconds limit)
{
    std::string got;
    char buffer[4096];
    for (;;) {
        pollfd entry{fd, POLLIN, 0};
        if (::poll(&entry, 1, static_cast<int>(limit.count())) <= 0) break;
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0) break;
        got.append(buffer, static_cast<std::size_t>(n));
        if (pauseBetweenReads.count() > 0) std::this_thread::sleep_for(pauseBetweenReads);
    }
    return got;
}

int RefusingPort()
{
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t size = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    ::close(fd);
    return ntohs(address.sin_port);
}

int OpenDescriptorCount()
{
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++count;
    return count;
}

}  // namespace kerfmax::linktest
