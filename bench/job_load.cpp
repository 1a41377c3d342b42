// Loading a job file: reading, flattening, moving to the origin and grouping.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "geometry/Job.h"
#include "geometry/JobFile.h"
#include "support/JobGenerator.h"

namespace {

double PeakResidentMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

std::filesystem::path WriteJob(std::size_t points) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("kerfmax-bench-job-" + std::to_string(points) + ".hb");
    std::ofstream(path, std::ios::binary) << kerfmax::bench::MixedJob(points);
    return path;
}

void BM_LoadJob(benchmark::State& state) {
    const auto points = static_cast<std::size_t>(state.range(0));
    const auto path = WriteJob(points);
    const auto bytes = std::filesystem::file_size(path);
    std::size_t flattened = 0;
    for (auto _ : state) {
        kerfmax::Job job;
        job.LoadJob(path.string());
        flattened = job.Points().size();
        benchmark::DoNotOptimize(job.ArtObjects().size());
    }
    std::filesystem::remove(path);
    state.SetBytesProcessed(std::int64_t(bytes) * state.iterations());
    state.SetItemsProcessed(std::int64_t(flattened) * state.iterations());
    state.counters["file_MB"] = double(bytes) / 1e6;
    state.counters["points"] = double(flattened);
    state.counters["peak_rss_MB"] = PeakResidentMegabytes();
}
BENCHMARK(BM_LoadJob)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_ReadJobFile(benchmark::State& state) {
    const auto points = static_cast<std::size_t>(state.range(0));
    const auto path = WriteJob(points);
    const auto bytes = std::filesystem::file_size(path);
    for (auto _ : state) {
        kerfmax::PathList paths;
        kerfmax::ReadJobFile(path.string(), paths);
        benchmark::DoNotOptimize(paths.size());
    }
    std::filesystem::remove(path);
    state.SetBytesProcessed(std::int64_t(bytes) * state.iterations());
    state.counters["peak_rss_MB"] = PeakResidentMegabytes();
}
BENCHMARK(BM_ReadJobFile)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
