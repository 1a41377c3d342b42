// How long a Send holds the thread that drives it, as a window's event loop
// would drive it: start, then a tick every millisecond that reads the progress,
// until the done callback. A 10^6-point job, once to a loopback peer that reads
// everything and once to a peer whose listen queue is full, so the connect
// never completes (that run is cancelled after 1 s, as a user would).
//
// Counters: max_call_ms is the longest single call into the run (StartSend,
// Busy, Cancel, Wait); max_tick_gap_ms is the longest gap between two ticks
// beyond the tick itself; total_ms the whole run.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "run/CuttingRun.h"
#include "support/CountingPeer.h"
#include "support/JobGenerator.h"

namespace {

using namespace kerfmax;
using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;

constexpr int kJobPoints = 1000000;

const std::string& BigJob()
{
    static const std::string text = kerfmax::bench::MixedJob(kJobPoints, 7);
    return text;
}

struct CallerFigures {
    double maxCallMs = 0;
    double maxTickGapMs = 0;
    double totalMs = 0;
    bool finished = false;
};

// Times one call made on the caller's thread.
template <typename Call>
auto Timed(CallerFigures& figures, Call call)
{
    const auto start = Clock::now();
    auto result = call();
    figures.maxCallMs = std::max(figures.maxCallMs, Ms(Clock::now() - start).count());
    return result;
}

CallerFigures DriveSend(int port, std::chrono::milliseconds cancelAfter)
{
    CallerFigures figures;
    CuttingRun run;
    run.LoadJobText(BigJob());
    run.Settings().portText = "Network Port";
    run.SetTcpPortOverride(port);

    std::atomic<bool> done{false};
    std::mutex progressMutex;
    SendProgress latest;
    SendCallbacks callbacks;
    callbacks.progress = [&](const SendProgress& p) {
        std::lock_guard<std::mutex> lock(progressMutex);
        latest = p;
    };
    callbacks.done = [&](SendResult result) {
        figures.finished = result == SendResult::Finished;
        done.store(true);
    };

    const auto start = Clock::now();
    if (Timed(figures, [&] { return run.StartSend(callbacks); }) != SendStart::Started) return figures;
    bool cancelled = false;
    auto lastTick = Clock::now();
    while (!done.load()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        const auto tick = Clock::now();
        figures.maxTickGapMs = std::max(figures.maxTickGapMs, Ms(tick - lastTick).count() - 1.0);
        lastTick = tick;
        Timed(figures, [&] { return run.Busy(); });
        {
            std::lock_guard<std::mutex> lock(progressMutex);
            benchmark::DoNotOptimize(latest.percent);
        }
        if (!cancelled && cancelAfter.count() > 0 && tick - start >= cancelAfter) {
            Timed(figures, [&] {
                run.Cancel();
                return 0;
            });
            cancelled = true;
        }
    }
    Timed(figures, [&] {
        run.Wait();
        return 0;
    });
    figures.totalMs = Ms(Clock::now() - start).count();
    return figures;
}

void Report(benchmark::State& state, const std::vector<CallerFigures>& runs)
{
    double maxCall = 0, maxGap = 0, total = 0;
    for (const CallerFigures& f : runs) {
        maxCall = std::max(maxCall, f.maxCallMs);
        maxGap = std::max(maxGap, f.maxTickGapMs);
        total += f.totalMs;
    }
    state.counters["max_call_ms"] = maxCall;
    state.counters["max_tick_gap_ms"] = maxGap;
    state.counters["total_ms"] = runs.empty() ? 0 : total / static_cast<double>(runs.size());
}

void BM_SendToLoopbackPeer(benchmark::State& state)
{
    BigJob();
    std::vector<CallerFigures> runs;
    for (auto _ : state) {
        kerfmax::bench::CountingPeer peer;
        runs.push_back(DriveSend(peer.port, std::chrono::milliseconds(0)));
        if (!runs.back().finished || peer.Received() == 0) return state.SkipWithError("send did not finish");
    }
    Report(state, runs);
}
BENCHMARK(BM_SendToLoopbackPeer)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_SendToPeerThatNeverAccepts(benchmark::State& state)
{
    BigJob();
    std::vector<CallerFigures> runs;
    for (auto _ : state) {
        kerfmax::bench::FullListener full;
        runs.push_back(DriveSend(full.port, std::chrono::milliseconds(1000)));
    }
    Report(state, runs);
}
BENCHMARK(BM_SendToPeerThatNeverAccepts)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
