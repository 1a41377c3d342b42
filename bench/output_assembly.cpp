// Output job assembly: the command stream of a loaded job, plain and through the
// blade-offset filter, and the whole convert (load, assemble compensated with
// over-cut, write the .plt file beside its target and rename it).
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <filesystem>
#include <fstream>

#include "app/JobSettings.h"
#include "cutter/Dialect.h"
#include "geometry/Job.h"
#include "geometry/OutputJob.h"
#include "geometry/OutputSink.h"
#include "support/JobGenerator.h"

namespace {

using namespace kerfmax;

double PeakResidentMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

std::filesystem::path BenchFolder()
{
    auto folder = std::filesystem::temp_directory_path() / "kerfmax-bench-output-assembly";
    std::filesystem::create_directories(folder);
    return folder;
}

std::filesystem::path WriteJob(std::size_t points)
{
    const auto path = BenchFolder() / ("job-" + std::to_string(points) + ".hb");
    std::ofstream(path, std::ios::binary) << bench::MixedJob(points);
    return path;
}

// Counts the bytes instead of keeping them, so memory figures show the assembly alone.
class CountingSink final : public OutputSink {
public:
    void Write(std::string_view bytes) override { count += bytes.size(); }
    bool Failed() const override { return false; }
    std::size_t count = 0;
};

JobSettings Compensated()
{
    JobSettings settings;  // blade offset 0.35 ticked
    settings.overCutOn = true;
    return settings;
}

JobSettings Plain()
{
    JobSettings settings;
    settings.bladeOffsetOn = false;
    return settings;
}

std::size_t PenPoints(const Job& job)
{
    std::size_t count = 0;
    for (const PointNode& n : job.Points()) count += n.kind != KIND_NONE;
    return count;
}

void Report(benchmark::State& state, std::size_t bytes, std::size_t points, std::size_t outBytes)
{
    state.SetBytesProcessed(std::int64_t(bytes) * state.iterations());
    state.SetItemsProcessed(std::int64_t(points) * state.iterations());
    state.counters["points"] = double(points);
    state.counters["out_MB"] = double(outBytes) / 1e6;
    state.counters["peak_rss_MB"] = PeakResidentMegabytes();
}

void Assemble(benchmark::State& state, const JobSettings& settings)
{
    const auto path = WriteJob(static_cast<std::size_t>(state.range(0)));
    Job job;
    job.LoadJob(path.string());
    std::filesystem::remove(path);
    CountingSink sink;
    for (auto _ : state) {
        sink.count = 0;
        BladeCompensator compensator;
        BuildOutputJob(job, OutputOptionsFor(settings), CutterDialect{}, sink, compensator);
    }
    Report(state, sink.count, PenPoints(job), sink.count);
}

void BM_AssemblePlain(benchmark::State& state)
{
    Assemble(state, Plain());
}

void BM_AssembleCompensated(benchmark::State& state)
{
    Assemble(state, Compensated());
}

// Bytes are those of the job file read; items are the job's pen points.
void BM_ConvertEndToEnd(benchmark::State& state)
{
    const auto path = WriteJob(static_cast<std::size_t>(state.range(0)));
    const auto target = BenchFolder() / "out.plt";
    std::size_t points = 0;
    for (auto _ : state) {
        Job job;
        job.LoadJob(path.string());
        FileSink sink(target);
        if (!sink.Open() ||
            BuildOutputJob(job, OutputOptionsFor(Compensated()), CutterDialect{}, sink) != OutputResult::Written ||
            !sink.Commit()) {
            state.SkipWithError("convert failed");
            break;
        }
        points = PenPoints(job);
    }
    const auto outBytes = std::filesystem::exists(target) ? std::filesystem::file_size(target) : 0;
    Report(state, std::filesystem::file_size(path), points, outBytes);
    state.counters["file_MB"] = double(std::filesystem::file_size(path)) / 1e6;
    std::filesystem::remove_all(BenchFolder());
}

// End to end first, so its peak memory is not inflated by the others.
BENCHMARK(BM_ConvertEndToEnd)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AssemblePlain)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AssembleCompensated)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
