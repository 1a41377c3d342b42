// The "Reduce Feed" order: the indexed ordering against the straightforward
// quadratic procedure on many random layouts full of ties.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <numeric>
#include <random>
#include <string>

#include "geometry/CuttingOrder.h"
#include "geometry/Job.h"
#include "support/ObjectBoxes.h"

namespace kerfmax {
namespace {

MC_ArtObj_ Box(std::int32_t xMin, std::int32_t xMax, std::int32_t yMin, std::int32_t yMax)
{
    return {.xMin = xMin, .xMax = xMax, .yMax = yMax, .yMin = yMin, .closed = 0, .points = {}};
}

// The procedure exactly as stated: linear scans, erase from the middle, swap
// into place. Slow, obviously right, the yardstick for the indexed version.
ObjectOrder QuadraticReduceFeed(const std::vector<MC_ArtObj_>& objects, const BoundBox& jobBox)
{
    struct C {
        double x, y;
    };
    auto dist = [](C a, C b) { return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y)); };
    auto tr = [&](std::size_t i) { return C{double(objects[i].xMax), double(objects[i].yMax)}; };
    auto tl = [&](std::size_t i) { return C{double(objects[i].xMin), double(objects[i].yMax)}; };
    ObjectOrder result;
    std::vector<std::size_t> remaining(objects.size());
    std::iota(remaining.begin(), remaining.end(), std::size_t{0});
    C here{double(std::llabs(std::int64_t(jobBox.xMax) - jobBox.xMin)), 0.0};
    int ltr = 0;
    std::int64_t bandTop = 0;
    auto exitC = [&](std::size_t i) { return ltr ? tr(i) : tl(i); };
    auto entryC = [&](std::size_t i) { return ltr ? tl(i) : tr(i); };
    while (!remaining.empty()) {
        const bool first = bandTop == 0;
        if (!first) here = exitC(result.back());
        std::size_t best = 0;
        for (std::size_t k = 1; k < remaining.size(); ++k)
            if (dist(tr(remaining[k]), here) < dist(tr(remaining[best]), here)) best = k;
        const std::size_t leader = remaining[best];
        if (first) here = tl(leader);
        else ltr = dist(tl(leader), here) <= dist(tr(leader), here) ? 1 : 0;
        bandTop = objects[leader].yMax;
        remaining.erase(remaining.begin() + std::ptrdiff_t(best));
        result.push_back(leader);
        std::vector<std::size_t> band, rest;
        for (std::size_t i : remaining) (objects[i].yMax <= bandTop + 200 ? band : rest).push_back(i);
        remaining = rest;
        if (band.empty()) continue;
        here = exitC(result.back());
        for (std::size_t i = 0; i + 1 < band.size(); ++i) {
            std::size_t j = i;
            for (std::size_t k = i + 1; k < band.size(); ++k)
                if (dist(entryC(band[k]), here) < dist(entryC(band[j]), here)) j = k;
            std::swap(band[i], band[j]);
            here = exitC(band[i]);
        }
        result.insert(result.end(), band.begin(), band.end());
    }
    return result;
}

using test::JobBoxOf;

void ExpectSameAsQuadratic(const std::vector<MC_ArtObj_>& objects, const std::string& what)
{
    const BoundBox box = JobBoxOf(objects);
    ASSERT_EQ(OrderReduceFeed(objects, box), QuadraticReduceFeed(objects, box)) << what;
}

// Coarse coordinates so that equal distances, shared corners and whole duplicate
// boxes are common; some tops at 0 and below.
std::vector<MC_ArtObj_> RandomLayout(std::mt19937& rng, std::size_t count, int spread, int step)
{
    std::uniform_int_distribution<int> cell(0, spread), size(0, 3), pick(0, 9);
    std::vector<MC_ArtObj_> objects;
    for (std::size_t i = 0; i < count; ++i) {
        if (!objects.empty() && pick(rng) == 0) {
            objects.push_back(objects[std::uniform_int_distribution<std::size_t>(0, objects.size() - 1)(rng)]);
            continue;
        }
        const int x = cell(rng) * step, y = (cell(rng) - spread / 4) * step;
        const int w = size(rng) * step, h = size(rng) * step;
        objects.push_back(Box(x, x + w, y, pick(rng) == 1 ? 0 : y + h));
    }
    return objects;
}

TEST(ReduceFeedOrder, MatchesTheQuadraticProcedure)
{
    for (std::uint32_t seed = 1; seed <= 400; ++seed) {
        std::mt19937 rng(seed);
        const int step = (seed % 3 == 0) ? 100 : 40;
        ExpectSameAsQuadratic(RandomLayout(rng, 1 + seed % 97, 2 + static_cast<int>(seed % 13), step),
                              "seed " + std::to_string(seed));
    }
    // Wide and flat: a few big bands with many ties inside each.
    for (std::uint32_t seed = 1; seed <= 12; ++seed) {
        std::mt19937 rng(seed);
        ExpectSameAsQuadratic(RandomLayout(rng, 1500, 60, 10), "large band, seed " + std::to_string(seed));
    }
    // A regular grid: every step is a tie between several neighbours.
    std::vector<MC_ArtObj_> grid;
    for (int row = 0; row < 30; ++row)
        for (int col = 0; col < 40; ++col) grid.push_back(Box(col * 300, col * 300 + 200, row * 150, row * 150 + 100));
    ExpectSameAsQuadratic(grid, "grid");
    EXPECT_TRUE(OrderReduceFeed({}, BoundBox{}).empty());
}

TEST(ReduceFeedOrder, JobComputesTheOrderAfreshAfterEveryPlacement)
{
    Job job;
    job.LoadJobText("PU0,0;PD100,0;PD100,100;PU500,0;PD600,0;PD600,100;SP0;");
    EXPECT_EQ(job.OrderedObjects(), (ObjectOrder{1, 0}));
    job.ToggleMirror();
    EXPECT_EQ(job.OrderedObjects(), (ObjectOrder{0, 1}));
    job.SetRotation(Rotation::Half);
    EXPECT_EQ(job.OrderedObjects(), (ObjectOrder{1, 0}));
}

}  // namespace
}  // namespace kerfmax
