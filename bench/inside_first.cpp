// The "Inside First" cutting order on nested jobs: letters with counters, rings
// within rings, touching squares and open paths, all inside one frame.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include "geometry/ArtObjects.h"
#include "geometry/CuttingOrder.h"
#include "geometry/InsideFirstOrder.h"
#include "geometry/JobFile.h"
#include "geometry/PointList.h"
#include "geometry/PolygonContainment.h"
#include "support/JobGenerator.h"

namespace {

using kerfmax::bench::detail::JobWriter;

double PeakResidentMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

void Square(JobWriter& w, std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1)
{
    w.PenUp(x0, y0);
    w.PenDown(x1, y0);
    w.PenDown(x1, y1);
    w.PenDown(x0, y1);
    w.PenDown(x0, y0);
}

// A rounded letter outline of four curves (about 100 points) with two counters.
int Letter(JobWriter& w, std::int64_t x, std::int64_t y)
{
    w.PenUp(x + 400, y);
    w.Bezier(x + 700, y, x + 800, y + 150, x + 800, y + 400);
    w.Bezier(x + 800, y + 650, x + 700, y + 800, x + 400, y + 800);
    w.Bezier(x + 100, y + 800, x, y + 650, x, y + 400);
    w.Bezier(x, y + 150, x + 100, y, x + 400, y);
    Square(w, x + 200, y + 150, x + 600, y + 350);
    Square(w, x + 200, y + 450, x + 600, y + 650);
    return 3;
}

int Rings(JobWriter& w, std::int64_t x, std::int64_t y)
{
    for (std::int64_t k = 0; k < 4; ++k) Square(w, x + k * 100, y + k * 100, x + 800 - k * 100, y + 800 - k * 100);
    w.PenUp(x + 400, y + 400);
    return 5;
}

int TouchingAndOpen(JobWriter& w, std::int64_t x, std::int64_t y)
{
    Square(w, x, y, x + 400, y + 400);
    Square(w, x + 400, y, x + 800, y + 400);
    Square(w, x, y + 400, x + 800, y + 800);
    w.PenUp(x + 100, y + 500);
    w.PenDown(x + 700, y + 700);
    w.PenDown(x + 100, y + 700);
    return 4;
}

// About `objects` objects in a square grid of cells 1000 units wide.
std::string NestedJob(std::size_t objects)
{
    JobWriter w;
    const auto side = static_cast<std::int64_t>(std::ceil(std::sqrt(double(objects) / 4.0)));
    std::size_t made = 0;
    for (std::int64_t cell = 0; made + 1 < objects; ++cell) {
        const std::int64_t x = (cell % side) * 1000, y = (cell / side) * 1000;
        switch (cell % 3) {
        case 0: made += std::size_t(Letter(w, x, y)); break;
        case 1: made += std::size_t(Rings(w, x, y)); break;
        default: made += std::size_t(TouchingAndOpen(w, x, y)); break;
        }
    }
    Square(w, -100, -100, side * 1000 + 100, side * 1000 + 100);
    return w.Finish();
}

// Squares within squares, every one inside all those around it.
std::string DeepNest(std::size_t objects)
{
    JobWriter w;
    const auto n = static_cast<std::int64_t>(objects);
    for (std::int64_t k = 0; k < n; ++k) Square(w, k * 10, k * 10, 20 * n - k * 10, 20 * n - k * 10);
    return w.Finish();
}

struct Layout {
    kerfmax::PointList points;  // what the objects view
    std::vector<kerfmax::MC_ArtObj_> objects;
    kerfmax::BoundBox box;
};

Layout Prepare(const std::string& text)
{
    Layout layout;
    layout.points = kerfmax::FlattenPaths(kerfmax::ParseJobText(text));
    layout.box = kerfmax::MoveToOrigin(layout.points);
    layout.objects = kerfmax::BuildArtObjects(layout.points);
    return layout;
}

void Counters(benchmark::State& state, const Layout& layout, std::size_t pairs, double before)
{
    state.SetItemsProcessed(std::int64_t(layout.objects.size()) * state.iterations());
    state.counters["objects"] = double(layout.objects.size());
    state.counters["inside_pairs"] = double(pairs);
    state.counters["job_MB"] = before;
    state.counters["peak_rss_MB"] = PeakResidentMegabytes();
}

void BM_InsideFirstNested(benchmark::State& state)
{
    const Layout layout = Prepare(NestedJob(std::size_t(state.range(0))));
    const double before = PeakResidentMegabytes();
    const std::size_t pairs = kerfmax::FindContainment(layout.objects).containers.size();
    for (auto _ : state) benchmark::DoNotOptimize(kerfmax::OrderInsideFirst(layout.objects, layout.box).size());
    Counters(state, layout, pairs, before);
}
BENCHMARK(BM_InsideFirstNested)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The containment search alone, and the band order alone, on the same job.
void BM_ContainmentNested(benchmark::State& state)
{
    const Layout layout = Prepare(NestedJob(std::size_t(state.range(0))));
    for (auto _ : state) benchmark::DoNotOptimize(kerfmax::FindContainment(layout.objects).containers.size());
    Counters(state, layout, kerfmax::FindContainment(layout.objects).containers.size(), 0.0);
}
BENCHMARK(BM_ContainmentNested)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_ReduceFeedNested(benchmark::State& state)
{
    const Layout layout = Prepare(NestedJob(std::size_t(state.range(0))));
    for (auto _ : state) benchmark::DoNotOptimize(kerfmax::OrderReduceFeed(layout.objects, layout.box).size());
    Counters(state, layout, 0, 0.0);
}
BENCHMARK(BM_ReduceFeedNested)->Arg(100000)->Unit(benchmark::kMillisecond);

// The worst case: the relation itself grows with the square of the nesting
// depth. 10^5 deep is past the search's budget and falls back to box sizes.
void BM_InsideFirstDeepNest(benchmark::State& state)
{
    const Layout layout = Prepare(DeepNest(std::size_t(state.range(0))));
    for (auto _ : state) benchmark::DoNotOptimize(kerfmax::OrderInsideFirst(layout.objects, layout.box).size());
    Counters(state, layout, std::size_t(state.range(0)) * std::size_t(state.range(0) - 1) / 2, 0.0);
}
BENCHMARK(BM_InsideFirstDeepNest)->Arg(1000)->Arg(4000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
