// The preview's geometry for big jobs: fitting 10^4 to 10^6 points into a
// 390 x 423 pixel area (the main window's preview) and turning them into the
// polylines the window paints. Runs once per placement change, never per paint.
#include <benchmark/benchmark.h>

#include "geometry/Job.h"
#include "geometry/PreviewGeometry.h"
#include "support/JobGenerator.h"

namespace {

using namespace kerfmax;

void BM_BuildPreview(benchmark::State& state)
{
    Job job;
    job.LoadJobText(kerfmax::bench::MixedJob(static_cast<std::size_t>(state.range(0)), 3));
    std::size_t lines = 0;
    for (auto _ : state) {
        PreviewPicture picture = BuildPreview(job.Points(), job.Box(), PreviewFrame{true, 5, 5, 5, 5}, 390, 423);
        lines = picture.paths.size();
        benchmark::DoNotOptimize(picture);
    }
    state.counters["polylines"] = static_cast<double>(lines);
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(job.Points().size()));
}
BENCHMARK(BM_BuildPreview)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
