// The whole send path on loopback: the worker reads a 10 MB output file back,
// cuts it into chunks and pushes them through the cutter to a TCP peer that
// reads to the end. Measures the worker's file reading and chunking on top of
// the link (bench/link_tcp.cpp measures the link alone).
#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "app/Notifier.h"
#include "cutter/Cutter.h"
#include "cutter/SendWorker.h"

namespace {

using namespace kerfmax;

constexpr std::size_t kJobBytes = 10u << 20;

// Accepts one connection on 127.0.0.1 and counts what it reads until the close.
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

// The output file the worker reads, removed when the program ends.
struct OutputFile {
    OutputFile() : path(std::filesystem::temp_directory_path() / ("kerfmax-bench-send-" + std::to_string(::getpid())))
    {
        std::ofstream out(path, std::ios::binary);
        std::string command;
        for (long i = 0, written = 0; written < static_cast<long>(kJobBytes); ++i) {
            command = "PD" + std::to_string(i % 40000) + ",-1234;";
            out << command;
            written += static_cast<long>(command.size());
        }
    }
    ~OutputFile() { std::filesystem::remove(path); }
    std::filesystem::path path;
};

void BM_SendWorkerLoopback(benchmark::State& state)
{
    static const OutputFile output;
    const std::filesystem::path& file = output.path;
    const auto length = std::filesystem::file_size(file);
    RecordingNotifier notes;
    for (auto _ : state) {
        CountingPeer peer;
        CHpglCutter cutter;
        cutter.SetNotifier(&notes);
        LinkSettings settings;
        settings.linkType = LINK_NETWORK;
        settings.hostAddress = "127.0.0.1";
        settings.tcpPort = peer.port;
        settings.noAckWait = 1;
        if (cutter.Open(settings) != 1) return state.SkipWithError("connect failed");
        std::atomic<int> cancel{0};
        std::atomic<int> outcome{-1};
        SendWorker worker;
        SendWorkerCallbacks callbacks;
        callbacks.done = [&outcome](SendOutcome o) { outcome.store(static_cast<int>(o)); };
        worker.Start(cutter, LINK_NETWORK, file, cancel, "Open temp file fail!", callbacks);
        worker.Wait();
        cutter.Close();
        // The figure includes delivery of the last byte.
        if (outcome.load() != static_cast<int>(SendOutcome::Finished) || peer.Received() != length)
            return state.SkipWithError("send incomplete");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * length));
}
BENCHMARK(BM_SendWorkerLoopback)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
