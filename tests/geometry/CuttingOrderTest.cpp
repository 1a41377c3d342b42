// The cutting orders. "Reduce Feed": the indexed ordering against the
// straightforward quadratic procedure on many random layouts full of ties.
// "Inside First": generated nested jobs checked against every pair tested with
// a plain crossing count, and the touching rules at the range's ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <limits>
#include <numeric>
#include <random>
#include <string>

#include "geometry/ArtObjects.h"
#include "geometry/CuttingOrder.h"
#include "geometry/InsideFirstOrder.h"
#include "geometry/Job.h"
#include "geometry/PointList.h"
#include "geometry/PolygonContainment.h"

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

// The box around the objects, as the job's box would be.
BoundBox JobBoxOf(const std::vector<MC_ArtObj_>& objects)
{
    BoundBox box{objects[0].xMin, objects[0].xMax, objects[0].yMax, objects[0].yMin};
    for (const auto& o : objects)
        box = {std::min(box.xMin, o.xMin), std::max(box.xMax, o.xMax), std::max(box.yMax, o.yMax),
               std::min(box.yMin, o.yMin)};
    return box;
}

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

struct P {
    std::int32_t x, y;
};
using Path = std::vector<P>;

Path Closed(Path path)
{
    path.push_back(path.front());
    return path;
}

Path Rect(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1)
{
    return Closed({{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}});
}

// Objects as the job builds them: one pen-up per path, the box and the closed
// flag from the points.
std::vector<MC_ArtObj_> Objects(const std::vector<Path>& paths)
{
    static std::deque<PointList> viewed;  // the objects view their points: kept to the end
    PointList& points = viewed.emplace_back();
    for (const Path& path : paths)
        for (std::size_t k = 0; k < path.size(); ++k)
            points.push_back({k == 0 ? KIND_PEN_UP : KIND_PEN_DOWN, path[k].x, path[k].y});
    return BuildArtObjects(points);
}

// --- The yardstick: every pair, an even-odd crossing count, no index. Right
// for the simple (not self-crossing) outlines generated below.

bool OnSegment(const PointNode& a, const PointNode& b, const PointNode& p)
{
    const std::int64_t cross = std::int64_t(b.x - a.x) * (p.y - a.y) - std::int64_t(b.y - a.y) * (p.x - a.x);
    return cross == 0 && std::min(a.x, b.x) <= p.x && p.x <= std::max(a.x, b.x) && std::min(a.y, b.y) <= p.y &&
           p.y <= std::max(a.y, b.y);
}

bool InOrOnPolygon(PointSpan polygon, const PointNode& p)
{
    bool inside = false;
    for (std::size_t k = 0; k + 1 < polygon.size(); ++k) {
        const PointNode &a = polygon[k], &b = polygon[k + 1];
        if (OnSegment(a, b, p)) return true;
        if ((a.y > p.y) != (b.y > p.y)) {
            // x where the edge meets the horizontal through p, compared without division.
            const std::int64_t lhs = std::int64_t(p.x - a.x) * (b.y - a.y);
            const std::int64_t rhs = std::int64_t(b.x - a.x) * (p.y - a.y);
            if ((b.y > a.y) ? lhs < rhs : lhs > rhs) inside = !inside;
        }
    }
    return inside;
}

bool EnclosesArea(const MC_ArtObj_& o)
{
    for (std::size_t i = 0; i < o.points.size(); ++i)
        for (std::size_t j = i + 1; j < o.points.size(); ++j)
            for (std::size_t k = j + 1; k < o.points.size(); ++k) {
                const PointNode &a = o.points[i], &b = o.points[j], &c = o.points[k];
                if (std::int64_t(b.x - a.x) * (c.y - a.y) != std::int64_t(b.y - a.y) * (c.x - a.x)) return true;
            }
    return false;
}

bool Holds(const std::vector<MC_ArtObj_>& objects, std::size_t outer, std::size_t inner)
{
    const MC_ArtObj_& o = objects[outer];
    if (outer == inner || !o.closed || !EnclosesArea(o)) return false;
    for (const PointNode& p : objects[inner].points)
        if (!InOrOnPolygon(o.points, p)) return false;
    return true;
}

// Pairs (inner, container); of two objects holding each other the earlier is inside.
std::vector<std::pair<std::size_t, std::size_t>> OraclePairs(const std::vector<MC_ArtObj_>& objects)
{
    std::vector<std::pair<std::size_t, std::size_t>> pairs;
    for (std::size_t inner = 0; inner < objects.size(); ++inner)
        for (std::size_t outer = 0; outer < objects.size(); ++outer)
            if (Holds(objects, outer, inner) && !(Holds(objects, inner, outer) && outer < inner))
                pairs.push_back({inner, outer});
    return pairs;
}

std::vector<std::pair<std::size_t, std::size_t>> RelationPairs(const InsideRelation& relation)
{
    std::vector<std::pair<std::size_t, std::size_t>> pairs;
    for (std::size_t i = 0; i < relation.ObjectCount(); ++i)
        for (std::uint32_t k = relation.offsets[i]; k < relation.offsets[i + 1]; ++k)
            pairs.push_back({i, relation.containers[k]});
    return pairs;
}

void ExpectSoundOrder(const std::vector<MC_ArtObj_>& objects, const std::string& what)
{
    const auto pairs = OraclePairs(objects);
    ASSERT_EQ(RelationPairs(FindContainment(objects)), pairs) << what;

    const ObjectOrder order = OrderInsideFirst(objects, JobBoxOf(objects));
    ObjectOrder sorted = order;
    std::sort(sorted.begin(), sorted.end());
    ObjectOrder all(objects.size());
    std::iota(all.begin(), all.end(), std::size_t{0});
    ASSERT_EQ(sorted, all) << what << ": not a permutation";

    std::vector<std::size_t> position(objects.size());
    for (std::size_t r = 0; r < order.size(); ++r) position[order[r]] = r;
    for (const auto& [inner, outer] : pairs)
        ASSERT_LT(position[inner], position[outer]) << what << ": object " << outer << " cut before " << inner;

    // Objects that hold nothing are never held back: they keep the band order.
    std::vector<std::uint8_t> holds(objects.size(), 0);
    for (const auto& pair : pairs) holds[pair.second] = 1;
    ObjectOrder plainInOrder, plainInBands;
    for (std::size_t i : order)
        if (!holds[i]) plainInOrder.push_back(i);
    for (std::size_t i : OrderReduceFeed(objects, JobBoxOf(objects)))
        if (!holds[i]) plainInBands.push_back(i);
    ASSERT_EQ(plainInOrder, plainInBands) << what;
}

// --- Generated nested jobs: outlines on a coarse grid, so that shared edges,
// corners on edges, twins and nesting are common, sometimes a unit apart.

Path RegularPolygon(std::int32_t cx, std::int32_t cy, double radius, int sides)
{
    Path path;
    for (int k = 0; k < sides; ++k) {
        const double a = 6.283185307179586 * k / sides;
        path.push_back({cx + static_cast<std::int32_t>(std::lround(radius * std::cos(a))),
                        cy + static_cast<std::int32_t>(std::lround(radius * std::sin(a)))});
    }
    return Closed(path);
}

std::vector<Path> RandomJob(std::uint32_t seed, int count)
{
    std::mt19937 rng(seed);
    const auto pick = [&](int n) { return static_cast<std::int32_t>(rng() % n); };
    std::vector<Path> paths;
    while (static_cast<int>(paths.size()) < count) {
        const std::int32_t x = pick(12) * 50 + (pick(4) == 0), y = pick(12) * 50, w = (1 + pick(8)) * 50;
        const std::int32_t h = (1 + pick(8)) * 50 - (pick(4) == 0);
        Path path;
        switch (pick(8)) {
        case 0: path = {{x, y}}; break;  // a dot
        case 1:  // a U shape: its notch lies within its box but outside it
            path = Closed({{x, y},
                           {x + 3 * w, y},
                           {x + 3 * w, y + h},
                           {x + 2 * w, y + h},
                           {x + 2 * w, y + 50},
                           {x + w, y + 50},
                           {x + w, y + h},
                           {x, y + h}});
            break;
        case 2:  // rings within rings, some many-sided enough for the edge index
            for (int k = 0, sides = pick(2) ? 8 : 33 + pick(90); k < 1 + pick(4); ++k)
                paths.push_back(RegularPolygon(x + 300, y + 300, 290 - k * 60 - pick(20), sides + k));
            path = RegularPolygon(x + 300, y + 300, 290, 4 + pick(3));
            break;
        case 3:
            if (!paths.empty()) path = paths[pick(static_cast<int>(paths.size()))];  // a twin
            break;
        default: path = Rect(x, y, x + w, y + h);
        }
        if (path.size() > 2 && pick(3) == 0) {  // points along the edges
            Path along{path.front()};
            for (std::size_t k = 1; k < path.size(); ++k)
                for (int i = 1; i <= 3; ++i)
                    along.push_back({path[k - 1].x + (path[k].x - path[k - 1].x) * i / 3,
                                     path[k - 1].y + (path[k].y - path[k - 1].y) * i / 3});
            path = along;
        }
        if (pick(2)) std::reverse(path.begin(), path.end());
        if (path.size() > 2 && pick(6) == 0) path.pop_back();  // open: holds nothing, cup or not
        if (!path.empty()) paths.push_back(path);
    }
    return paths;
}

TEST(InsideFirstOrder, GeneratedNestedJobsAgreeWithEveryPairTested)
{
    for (std::uint32_t seed = 1; seed <= 300; ++seed)
        ExpectSoundOrder(Objects(RandomJob(seed, 1 + static_cast<int>(seed % 40))), "seed " + std::to_string(seed));
}

TEST(InsideFirstOrder, ExactOnOutlinesSpanningTheWholeCoordinateRange)
{
    // The long edge runs along x + y = -1; cross products here need 64 unsigned bits.
    constexpr std::int32_t lo = std::numeric_limits<std::int32_t>::min();
    constexpr std::int32_t hi = std::numeric_limits<std::int32_t>::max();
    const auto triangle = Objects({Closed({{lo, lo}, {hi, lo}, {lo, hi}})})[0];
    const struct {
        std::int32_t x, y;
        bool held;
    } points[] = {
        {0, -1, true}, {-1, 0, true},  {0, 0, false},  {hi, lo, true},  {hi - 1, lo + 2, false},
        {-2, 0, true}, {lo, lo, true}, {lo, hi, true}, {hi, hi, false}, {lo + 1, lo + 1, true},
    };
    for (const auto& p : points) EXPECT_EQ(OutlineHolds(triangle, p.x, p.y), p.held) << p.x << "," << p.y;
    EXPECT_TRUE(CanContain(triangle));
    EXPECT_FALSE(CanContain(Objects({{{lo, lo}, {hi, hi - 1}, {lo, lo}}})[0]));
}

TEST(InsideFirstOrder, ANestTooDeepForTheBudgetIsCutSmallestBoxFirst)
{
    // Squares within squares, outermost first in the file, and a twin of the innermost.
    std::vector<Path> paths;
    for (std::int32_t k = 0; k < 40; ++k) paths.push_back(Rect(k * 10, k * 10, 1000 - k * 10, 1000 - k * 10));
    paths.push_back(paths.back());
    const auto objects = Objects(paths);
    EXPECT_TRUE(FindContainment(objects).complete);
    for (const ContainmentBudget budget :
         {ContainmentBudget{100, 10'000, 10'000}, ContainmentBudget{10'000, 100, 10'000},
          ContainmentBudget{10'000, 10'000, 100}}) {
        EXPECT_FALSE(FindContainment(objects, budget).complete);
        ObjectOrder expected{39, 40};  // the twins in file order, then outwards
        for (std::size_t k = 39; k-- > 0;) expected.push_back(k);
        EXPECT_EQ(OrderInsideFirst(objects, JobBoxOf(objects), budget), expected);
    }
}

TEST(InsideFirstOrder, HoldingBackContainers)
{
    // Each relation names, for every object, the objects it lies inside.
    auto relation = [](std::vector<std::vector<std::uint32_t>> containers) {
        InsideRelation r{{0}, {}};
        for (const auto& list : containers) {
            r.containers.insert(r.containers.end(), list.begin(), list.end());
            r.offsets.push_back(static_cast<std::uint32_t>(r.containers.size()));
        }
        return r;
    };
    // The outer ring waits for both inner ones, then follows the last at once.
    EXPECT_EQ(HoldBackContainers({0, 1, 2, 3}, relation({{}, {0}, {}, {0}})), (ObjectOrder{1, 2, 3, 0}));
    // A circle of three: the earliest is let go, and the rest follow it.
    EXPECT_EQ(HoldBackContainers({1, 0, 2, 3}, relation({{1}, {2}, {0}, {}})), (ObjectOrder{3, 1, 2, 0}));
    EXPECT_TRUE(HoldBackContainers({}, relation({})).empty());
}

}  // namespace
}  // namespace kerfmax
