// The "Inside First" order: fixed cases for the touching rules, and generated
// nested jobs checked against every pair tested with a plain crossing count.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <deque>
#include <limits>
#include <numeric>
#include <random>
#include <string>

#include "geometry/ArtObjects.h"
#include "geometry/CuttingOrder.h"
#include "geometry/InsideFirstOrder.h"
#include "geometry/Job.h"
#include "geometry/OutputJob.h"
#include "geometry/PointList.h"
#include "geometry/PolygonContainment.h"
#include "support/ObjectBoxes.h"

namespace kerfmax {
namespace {

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

using test::JobBoxOf;

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

// --- Generated nested jobs: each cell of a grid holds one kind of scene.

class SceneWriter {
public:
    explicit SceneWriter(std::uint32_t seed) : m_rng(seed) {}

    std::vector<Path> Job(int cells)
    {
        for (int c = 0; c < cells; ++c) {
            // Cells overlap a little in y, so bands mix scenes.
            const std::int32_t x = (c % 6) * 1000 + Jitter(60), y = (c / 6) * 700 + Jitter(150);
            Scene(static_cast<int>(m_rng() % 5), x, y);
        }
        std::shuffle(m_paths.begin(), m_paths.end(), m_rng);
        return std::move(m_paths);
    }

private:
    std::int32_t Jitter(int range) { return static_cast<std::int32_t>(m_rng() % (range + 1)); }
    void Add(Path path) { m_paths.push_back(std::move(path)); }

    void Scene(int kind, std::int32_t x, std::int32_t y)
    {
        switch (kind) {
        case 0: Letter(x, y); break;
        case 1: Rings(x, y); break;
        case 2: TouchingAndOpen(x, y); break;
        case 3: NotchedAndTwins(x, y); break;
        default: Letter(x, y), Add(Rect(x - 20, y - 20, x + 620, y + 520));  // in a frame
        }
    }

    // An outline with one or two counters, one of them sometimes touching it.
    void Letter(std::int32_t x, std::int32_t y)
    {
        Add(Closed({{x, y}, {x + 300, y}, {x + 600, y + 250}, {x + 300, y + 500}, {x, y + 500}}));
        const std::int32_t left = (m_rng() % 3 == 0) ? x : x + 40;  // on the outline or clear of it
        Add(Rect(left, y + 60 + Jitter(40), x + 250, y + 220));
        if (m_rng() % 2) Add(Rect(x + 60, y + 280, x + 250 + Jitter(60), y + 440));
    }

    // Regular polygons within each other, turning either way, some with a centre
    // dot; many-sided ones are long enough to get the edge index.
    void Rings(std::int32_t x, std::int32_t y)
    {
        const int depth = 2 + static_cast<int>(m_rng() % 4), sides = m_rng() % 2 ? 8 : 33 + int(m_rng() % 90);
        for (int k = 0; k < depth; ++k) {
            Path ring = RegularPolygon(x + 300, y + 300, 290 - k * 60 - Jitter(20), sides + k);
            if (m_rng() % 2) std::reverse(ring.begin(), ring.end());
            Add(ring);
        }
        if (m_rng() % 2) Add({{x + 300, y + 300}});
        Add(Rect(x + 500, y + 280, x + 590, y + 320));  // reaching the outer ring, or just beyond it
    }

    static Path RegularPolygon(std::int32_t cx, std::int32_t cy, double radius, int sides)
    {
        Path path;
        for (int k = 0; k < sides; ++k) {
            const double a = 6.283185307179586 * k / sides;
            path.push_back({cx + static_cast<std::int32_t>(std::lround(radius * std::cos(a))),
                            cy + static_cast<std::int32_t>(std::lround(radius * std::sin(a)))});
        }
        return Closed(path);
    }

    static Path WithPointsAlongEdges(const Path& path, int pieces)
    {
        Path out{path.front()};
        for (std::size_t k = 1; k < path.size(); ++k)
            for (int i = 1; i <= pieces; ++i)
                out.push_back({path[k - 1].x + (path[k].x - path[k - 1].x) * i / pieces,
                               path[k - 1].y + (path[k].y - path[k - 1].y) * i / pieces});
        return out;
    }

    // Squares side by side sharing an edge, one sitting in a corner of a larger
    // (many-pointed) one, one on its edge or a unit beyond; open paths, which hold nothing even
    // when shaped like a cup around a dot.
    void TouchingAndOpen(std::int32_t x, std::int32_t y)
    {
        Add(Rect(x, y, x + 200, y + 200));
        Add(Rect(x + 200, y, x + 400, y + 200));
        Add(WithPointsAlongEdges(Rect(x, y + 250, x + 400, y + 550), 10));
        Add(Rect(x, y + 250, x + 150 + Jitter(250), y + 400));
        Add(Rect(x + 300, y + 300, x + 400 + Jitter(1), y + 350));
        Add({{x + 500, y + 400}, {x + 500, y}, {x + 900, y}, {x + 900, y + 400}});
        Add({{x + 700, y + 100}});
        Add({{x + 620, y + 80}, {x + 780, y + 280}});
        Add({{x + 800, y + 50}, {x + 810 - Jitter(1) * 10, y + 300}});
        Add(Rect(x + 600, y + 50, x + 800, y + 300));
    }

    // A U shape: a square in its notch lies within its box but outside it, a
    // bar across its foot inside; a diamond of the same box holds the square.
    // Then the same square twice, and once more with a point along an edge.
    void NotchedAndTwins(std::int32_t x, std::int32_t y)
    {
        const std::int32_t u[][2] = {{0, 0},     {500, 0},   {500, 500}, {350, 500},
                                     {350, 150}, {150, 150}, {150, 500}, {0, 500}};
        Path notched;
        for (const auto& p : u) notched.push_back({x + p[0], y + p[1]});
        Add(Closed(notched));
        Add(Rect(x + 200, y + 200, x + 300, y + 400));
        Add(Rect(x + 20, y + 20, x + 480, y + 140 + Jitter(1) * 10));
        Add(Closed({{x + 250, y}, {x + 500, y + 250}, {x + 250, y + 500}, {x, y + 250}}));
        Add(Rect(x + 600, y, x + 900, y + 300));
        Add(Rect(x + 600, y, x + 900, y + 300));
        Add(Closed({{x + 600, y}, {x + 750, y}, {x + 900, y}, {x + 900, y + 300}, {x + 600, y + 300}}));
        Add(Rect(x + 700, y + 100, x + 800, y + 200));
    }

    std::mt19937 m_rng;
    std::vector<Path> m_paths;
};

TEST(InsideFirstOrder, GeneratedNestedJobsAgreeWithEveryPairTested)
{
    for (std::uint32_t seed = 1; seed <= 150; ++seed) {
        SceneWriter scenes(seed);
        ExpectSoundOrder(Objects(scenes.Job(1 + static_cast<int>(seed % 24))), "seed " + std::to_string(seed));
    }
}

TEST(InsideFirstOrder, FixedLayouts)
{
    // Wide, flat outers: the band order alone would cut each of them first.
    const Path star = Closed({{500, 200}, {200, 0}, {1000, 130}, {0, 130}, {800, 0}});
    const struct {
        const char* what;
        std::vector<Path> paths;
        ObjectOrder expected;
    } cases[] = {
        {"a letter and its counter", {Rect(0, 0, 1000, 100), Rect(100, 20, 200, 80)}, {1, 0}},
        {"a counter touching the outline along an edge", {Rect(0, 0, 1000, 100), Rect(0, 20, 200, 80)}, {1, 0}},
        {"rings within rings", {Rect(0, 0, 2000, 300), Rect(100, 50, 1900, 250), Rect(200, 100, 1800, 200)}, {2, 1, 0}},
        {"the middle of a star drawn in one stroke", {star, Rect(480, 80, 520, 110)}, {1, 0}},
        {"nothing nested: the band order", {Rect(0, 0, 100, 100), Rect(300, 0, 400, 100)}, {1, 0}},
        {"an open cup holds nothing", {{{0, 100}, {0, 0}, {1000, 0}, {1000, 100}}, Rect(100, 20, 200, 80)}, {0, 1}},
        {"a line cut there and back holds nothing", {{{0, 0}, {1000, 0}, {0, 0}}, {{100, 0}, {200, 0}}}, {0, 1}},
    };
    for (const auto& c : cases) {
        const auto objects = Objects(c.paths);
        EXPECT_EQ(OrderInsideFirst(objects, JobBoxOf(objects)), c.expected) << c.what;
    }
    EXPECT_TRUE(OrderInsideFirst({}, BoundBox{}).empty());
}

TEST(InsideFirstOrder, TheOutputCutsTheCounterBeforeItsLetter)
{
    // A wide letter first in the file, its counter second; then a square beside them.
    Job job;
    job.LoadJobText(
        "PU0,0;PD1000,0;PD1000,100;PD0,100;PD0,0;PU100,20;PD200,20;PD200,80;PD100,80;PD100,20;"
        "PU1200,0;PD1300,0;PD1300,100;PD1200,100;PD1200,0;SP0;");
    const std::string letter = "PU0,1300;PD0,300;PD100,300;PD100,1300;PD0,1300;";
    const std::string counter = "PU20,1200;PD20,1100;PD80,1100;PD80,1200;PD20,1200;";
    const std::string square = "PU0,100;PD0,0;PD100,0;PD100,100;PD0,100;";
    const struct {
        int cutOrder;
        std::string paths;
    } cases[] = {{0, letter + counter + square}, {1, square + letter + counter}, {2, square + counter + letter}};
    for (const auto& c : cases) {
        OutputOptions options;
        options.cutOrder = c.cutOrder;
        options.compensate = false;
        StringSink sink;
        ASSERT_EQ(BuildOutputJob(job, options, CommandTexts{}, sink), OutputResult::Written);
        EXPECT_EQ(sink.Text(), "IN;SP1;" + c.paths + "PU100,0;PG;@@@@@@@@@@@@@@@@@@@;") << c.cutOrder;
    }
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
    EXPECT_EQ(HoldBackContainers({3, 2, 1, 0}, relation({{1}, {2}, {3}, {}})), (ObjectOrder{0, 1, 2, 3}));
    EXPECT_EQ(HoldBackContainers({2, 0, 1}, relation({{}, {2}, {}})), (ObjectOrder{0, 1, 2}));
    // A circle of three: the earliest is let go, and the rest follow it.
    EXPECT_EQ(HoldBackContainers({1, 0, 2, 3}, relation({{1}, {2}, {0}, {}})), (ObjectOrder{3, 1, 2, 0}));
    EXPECT_TRUE(HoldBackContainers({}, relation({})).empty());
}

}  // namespace
}  // namespace kerfmax
