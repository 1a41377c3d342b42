// Streaming a 10 MB output to a network cutter on loopback, 512-byte chunks
// through CCutter::Write, as the send worker does. Target: 20 MB/s or more.
#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>

#include "platform/Notifier.h"
#include "support/CountingPeer.h"
#include "cutter/Cutter.h"

namespace {

using namespace kerfmax;

constexpr std::size_t kJobBytes = 10u << 20;
constexpr std::size_t kChunk = 512;

std::string Job()
{
    std::string job;
    job.reserve(kJobBytes + 32);
    for (long i = 0; job.size() < kJobBytes; ++i) job += "PD" + std::to_string(i % 40000) + ",-1234;";
    job.resize(kJobBytes);
    return job;
}

void BM_TcpLoopbackSend(benchmark::State& state)
{
    static const std::string job = Job();
    RecordingNotifier notes;
    std::atomic<int> cancel{0};
    for (auto _ : state) {
        {
            kerfmax::bench::CountingPeer peer;
            CHpglCutter cutter;
            cutter.SetNotifier(&notes);
            LinkSettings settings;
            settings.linkType = LINK_NETWORK;
            settings.hostAddress = "127.0.0.1";
            settings.tcpPort = peer.port;
            settings.noAckWait = 1;
            if (cutter.Open(settings) != 1) {
                state.SkipWithError("connect failed");
                return;
            }
            for (std::size_t at = 0; at < job.size(); at += kChunk) {
                if (cutter.Write(job.data() + at, static_cast<int>(kChunk), &cancel, 1) != static_cast<int>(kChunk)) {
                    state.SkipWithError("short write");
                    return;
                }
            }
            cutter.Close();
            // The figure includes delivery of the last byte.
            if (peer.Received() != job.size()) {
                state.SkipWithError("bytes lost");
                return;
            }
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kJobBytes));
}
BENCHMARK(BM_TcpLoopbackSend)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
