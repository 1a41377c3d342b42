// The "Reduce Feed" cutting order on many small objects.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include "geometry/ArtObjects.h"
#include "geometry/CuttingOrder.h"
#include "geometry/JobFile.h"
#include "geometry/PointList.h"
#include "support/JobGenerator.h"

namespace {

double PeakResidentMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

struct Layout {
    kerfmax::PointList points;  // what the objects view
    std::vector<kerfmax::MC_ArtObj_> objects;
    kerfmax::BoundBox box;
};

Layout Prepare(const std::string& text) {
    Layout layout;
    layout.points = kerfmax::FlattenPaths(kerfmax::ParseJobText(text));
    layout.box = kerfmax::MoveToOrigin(layout.points);
    layout.objects = kerfmax::BuildArtObjects(layout.points);
    return layout;
}

void RunOrdering(benchmark::State& state, const Layout& layout) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(kerfmax::OrderReduceFeed(layout.objects, layout.box).size());
    }
    state.SetItemsProcessed(std::int64_t(layout.objects.size()) * state.iterations());
    state.counters["objects"] = double(layout.objects.size());
    state.counters["peak_rss_MB"] = PeakResidentMegabytes();
}

void BM_ReduceFeedGrid(benchmark::State& state) {
    RunOrdering(state, Prepare(kerfmax::bench::ShapeGrid(std::size_t(state.range(0)))));
}
BENCHMARK(BM_ReduceFeedGrid)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_ReduceFeedLetterBand(benchmark::State& state) {
    RunOrdering(state, Prepare(kerfmax::bench::LetterBand(std::size_t(state.range(0)))));
}
BENCHMARK(BM_ReduceFeedLetterBand)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_ReduceFeedScattered(benchmark::State& state) {
    RunOrdering(state, Prepare(kerfmax::bench::MixedJob(std::size_t(state.range(0)) * 20)));
}
BENCHMARK(BM_ReduceFeedScattered)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
