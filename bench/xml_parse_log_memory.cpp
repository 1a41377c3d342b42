// Peak memory of loading broken workspace files: every parse fault is an event
// of the result log, which keeps only the first ones and a count of the rest,
// so a load costs memory in proportion to the file whatever it holds. Counted
// by a global allocator that tracks the bytes alive; reported as a multiple
// of the file size (target: a small multiple).
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>

#include "platform/AtomicFile.h"
#include "xml/XmlDocument.h"

namespace {

std::atomic<std::size_t> g_live{0};
std::atomic<std::size_t> g_peak{0};

void* Allocate(std::size_t size)
{
    void* block = std::malloc(size ? size : 1);
    if (!block) throw std::bad_alloc();
    const std::size_t live = g_live += malloc_usable_size(block);
    for (std::size_t peak = g_peak; live > peak && !g_peak.compare_exchange_weak(peak, live);) {}
    return block;
}

void Release(void* block)
{
    if (!block) return;
    g_live -= malloc_usable_size(block);
    std::free(block);
}

}  // namespace

void* operator new(std::size_t size)
{
    return Allocate(size);
}
void* operator new[](std::size_t size)
{
    return Allocate(size);
}
void operator delete(void* block) noexcept
{
    Release(block);
}
void operator delete[](void* block) noexcept
{
    Release(block);
}
void operator delete(void* block, std::size_t) noexcept
{
    Release(block);
}
void operator delete[](void* block, std::size_t) noexcept
{
    Release(block);
}

namespace {

enum Kind { kRunOfLt, kUnendedStartTags, kLoneEndTags };

std::string Broken(Kind kind, std::size_t bytes)
{
    const std::string piece = kind == kRunOfLt ? "<" : kind == kUnendedStartTags ? "<a>" : "</b>";
    std::string out;
    out.reserve(bytes + piece.size());
    while (out.size() < bytes) out += piece;
    return out;
}

// Loads the file from disk as the host pass does; counters: the file size,
// the peak of the bytes alive during the load over the file size, and the
// length of the result log.
void BM_LoadBrokenFile(benchmark::State& state)
{
    const auto kind = static_cast<Kind>(state.range(0));
    const std::size_t bytes = static_cast<std::size_t>(state.range(1)) * 1024 * 1024;
    const auto folder = std::filesystem::temp_directory_path() / ("kerfmax-log-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const auto file = folder / "broken.xml";
    kerfmax::WriteFileAtomically(file, Broken(kind, bytes));
    std::size_t logLength = 0;
    double ratio = 0;
    for (auto _ : state) {
        const std::size_t before = g_live;
        g_peak = before;
        {
            kerfmax::XmlDocument doc;
            benchmark::DoNotOptimize(doc.LoadFile(file));
            logLength = doc.ResultText().size();
        }
        ratio = static_cast<double>(g_peak - before) / static_cast<double>(bytes);
    }
    state.counters["file_MB"] = static_cast<double>(bytes) / (1024.0 * 1024.0);
    state.counters["peak_MB"] = ratio * static_cast<double>(bytes) / (1024.0 * 1024.0);
    state.counters["peak_per_file_byte"] = ratio;
    state.counters["log_bytes"] = static_cast<double>(logLength);
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_LoadBrokenFile)
    ->ArgNames({"kind", "MB"})
    ->ArgsProduct({{kRunOfLt, kUnendedStartTags, kLoneEndTags}, {3, 6, 12}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
