// Flattening records into pen points, boxes and art objects.
#include <gtest/gtest.h>

#include <climits>
#include <stdexcept>
#include <tuple>

#include "geometry/ArtObjects.h"
#include "geometry/JobFile.h"
#include "geometry/PointList.h"

namespace kerfmax {
namespace {

constexpr int U = KIND_PEN_UP, D = KIND_PEN_DOWN, N = KIND_NONE;
using Nodes = std::vector<std::tuple<int, int, int>>;   // kind, x, y

PointList Flatten(const char* text) { return FlattenPaths(ParseJobText(text)); }

Nodes AsNodes(PointSpan points)
{
    Nodes nodes;
    for (const PointNode& n : points) nodes.emplace_back(n.kind, n.x, n.y);
    return nodes;
}

TEST(Flattening, PenRecordsCurvesAndTheirPlaceholderNodes)
{
    const struct {
        const char* text;
        Nodes expected;
    } cases[] = {
        // One node per pen record, no spare node, with or without the end record.
        {"PU0,0;PD100,0;SP0;", {{U, 0, 0}, {D, 100, 0}}},
        {"PU0,0;PD100,0;", {{U, 0, 0}, {D, 100, 0}}},
        // A curve of length 100: n = 10, eleven points from its start with t = 0,
        // 0.1, ..., 1.0; ten additions of 0.1 stay just under 1.0, so the last x
        // truncates to 99. The pen-down after it fills the curve's spare node.
        {"PU0,0;BZ30,0,60,0,100,0;PD0,0;SP0;",
         {{U, 0, 0}, {D, 0, 0}, {D, 9, 0}, {D, 18, 0}, {D, 27, 0}, {D, 36, 0}, {D, 46, 0}, {D, 56, 0}, {D, 66, 0},
          {D, 77, 0}, {D, 88, 0}, {D, 99, 0}, {D, 0, 0}}},
        // A closed loop in one curve gives no points; the node made for it is
        // filled by the next pen record, or stays a placeholder at (0, 0).
        {"PU5,5;BZ100,100,-100,100,5,5;PD9,9;", {{U, 5, 5}, {D, 9, 9}}},
        {"PU5,5;BZ100,100,-100,100,5,5;SP0;", {{U, 5, 5}, {N, 0, 0}}},
        // The second curve starts at the first one's end point, not at its last
        // flattened point; a curve before any pen record starts at (0, 0).
        {"BZ0,0,4,0,4,0;BZ4,4,4,4,4,4;SP0;",
         {{D, 0, 0}, {D, 2, 0}, {D, 4, 0}, {D, 4, 0}, {D, 4, 3}, {D, 4, 4}, {N, 0, 0}}},
    };
    for (const auto& c : cases) EXPECT_EQ(AsNodes(Flatten(c.text)), c.expected) << c.text;
    EXPECT_TRUE(FlattenPaths({}).empty());
}

TEST(Flattening, ExtremeCoordinatesTruncateTowardZeroAndStayBounded)
{
    // A symmetric arch peaks at (5, 7.5) halfway; both signs truncate toward zero.
    EXPECT_EQ(EvalBezier({0, 0}, {0, 10}, {10, 10}, {10, 0}, 0.5), (Point{5, 7}));
    EXPECT_EQ(EvalBezier({0, 0}, {0, -10}, {-10, -10}, {-10, 0}, 0.5), (Point{-5, -7}));
    const Point lo{INT_MIN, INT_MIN}, hi{INT_MAX, INT_MAX};
    EXPECT_EQ(EvalBezier(lo, hi, lo, hi, 0.0), lo);
    EXPECT_EQ(EvalBezier(lo, hi, lo, hi, 1.0), hi);
    const Point wild = EvalBezier(lo, hi, lo, hi, 0.5);
    EXPECT_EQ(wild.x, wild.y);
    const PointList points = Flatten("PU-2147483648,-2147483648;BZ2147483647,-2147483648,"
                                     "-2147483648,2147483647,2147483647,2147483647;SP0;");
    // sqrt of a chord of about 6.07e9 units: some 78000 points, not billions.
    EXPECT_GT(points.size(), 77000u);
    EXPECT_LT(points.size(), 79000u);
    EXPECT_EQ(points[1].x, INT_MIN);
}

TEST(Bounds, FirstNodeAlwaysCountsOtherPenUpsOnlyBeforeAPenDown)
{
    BoundBox box;
    ComputeBounds(Flatten("PU-500,900;PU-8000,-8000;PU0,20;PD100,50;PU7000,7000;PD120,10;PU-9000,-9000;SP0;"), box);
    // (-500, 900) opens the box; (-8000, -8000) is skipped (another pen-up follows);
    // (7000, 7000) counts; the trailing pen-up does not.
    EXPECT_EQ(box, (BoundBox{-500, 7000, 7000, 10}));
    // Placeholders never count: the one left by the closed curve stays at (0, 0).
    ComputeBounds(Flatten("PU5,5;PD10,10;BZ9,9,9,9,10,10;SP0;"), box);
    EXPECT_EQ(box, (BoundBox{5, 10, 10, 5}));
    BoundBox untouched{1, 2, 3, 4};
    ComputeBounds(PointList{}, untouched);
    EXPECT_EQ(untouched, (BoundBox{1, 2, 3, 4}));
}

TEST(Bounds, MovingToTheOriginLeavesPlaceholdersAlone)
{
    PointList points = Flatten("PU500,-300;PD800,100;BZ0,0,0,0,800,100;SP0;");
    EXPECT_EQ(MoveToOrigin(points), (BoundBox{0, 300, 400, 0}));
    EXPECT_EQ(AsNodes(points), (Nodes{{U, 0, 0}, {D, 300, 400}, {N, 0, 0}}));
}

TEST(ArtObjectGrouping, OneObjectPerPenUpWithOwnBoxAndClosedFlag)
{
    const PointList points = Flatten("PU0,0;PD10,0;PD10,10;PD0,0;PU50,50;PU60,60;PD70,60;BZ0,0,0,0,70,60;SP0;");
    const auto objects = BuildArtObjects(points);
    ASSERT_EQ(objects.size(), 3u);
    EXPECT_EQ(objects[0].points.size(), 4u);
    EXPECT_EQ(objects[0].closed, 1);
    EXPECT_EQ((BoundBox{objects[0].xMin, objects[0].xMax, objects[0].yMax, objects[0].yMin}), (BoundBox{0, 10, 10, 0}));
    // A pen-up followed by another pen-up is an object of its own: one point, closed.
    EXPECT_EQ(AsNodes(objects[1].points), (Nodes{{U, 50, 50}}));
    EXPECT_EQ(objects[1].closed, 1);
    EXPECT_EQ(objects[1].xMax, 50);
    // The trailing placeholder is not part of any object.
    EXPECT_EQ(AsNodes(objects[2].points), (Nodes{{U, 60, 60}, {D, 70, 60}}));
    EXPECT_EQ(objects[2].closed, 0);
    // Pen-downs before the first pen-up are kept as an object of their own.
    const PointList leadingPoints = Flatten("PD10,0;PD10,10;PU0,0;PD1,1;SP0;");
    const auto leading = BuildArtObjects(leadingPoints);
    ASSERT_EQ(leading.size(), 2u);
    EXPECT_EQ(AsNodes(leading[0].points), (Nodes{{D, 10, 0}, {D, 10, 10}}));

    // The objects view the list; one with a placeholder between pen nodes is
    // gathered first, as the placeholder belongs to no object.
    EXPECT_EQ(objects[2].points.data(), points.data() + 5);
    const PointList gapped{{U, 0, 0}, {N, 0, 0}, {D, 5, 0}, {U, 9, 9}, {D, 9, 10}, {N, 0, 0}};
    EXPECT_THROW(BuildArtObjects(gapped), std::invalid_argument);
    PointList compacted;
    const auto gathered = BuildArtObjects(gapped, compacted);
    ASSERT_EQ(gathered.size(), 2u);
    EXPECT_EQ(AsNodes(gathered[0].points), (Nodes{{U, 0, 0}, {D, 5, 0}}));
    EXPECT_EQ(gathered[1].points.data(), compacted.data() + 2);
    EXPECT_TRUE(BuildArtObjects(PointList{}, compacted).empty());
}

}  // namespace
}  // namespace kerfmax
