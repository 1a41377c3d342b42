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

#include "platform/Notifier.h"
#include "support/CountingPeer.h"
#include "cutter/Cutter.h"
#include "cutter/SendWorker.h"

namespace {

using namespace kerfmax;

constexpr std::size_t kJobBytes = 10u << 20;

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
        kerfmax::bench::CountingPeer peer;
        CHpglCutter cutter;
        cutter.SetNotifier(&notes);
        LinkSettings settings;
        settings.linkType = LINK_NETWORK;
        settings.hostAddress = "127.0.0.1";
        settings.tcpPort = peer.port;
        settings.noAckWait = 1;
        if (cutter.Open(settings) != 1) return state.SkipWithError("connect failed");
        std::atomic<int> cancel{0};
        const SendOutcome outcome =
            SendWorker(cutter, LINK_NETWORK, file, cancel, "Open temp file fail!", StreamCallbacks{});
        cutter.Close();
        // The figure includes delivery of the last byte.
        if (outcome != SendOutcome::Finished || peer.Received() != length)
            return state.SkipWithError("send incomplete");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * length));
}
BENCHMARK(BM_SendWorkerLoopback)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
