// Flattening records into pen points, boxes and art objects.
#include <gtest/gtest.h>

#include <climits>
#include <stdexcept>

#include "geometry/ArtObjects.h"
#include "geometry/JobFile.h"
#include "geometry/PointList.h"
#include "support/GeometryText.h"

namespace kerfmax {
namespace {

using test::NodesText;

PointList Flatten(const char* text)
{
    return FlattenPaths(ParseJobText(text));
}

TEST(Flattening, PenRecordsCurvesAndTheirPlaceholderNodes)
{
    const struct {
        const char* text;
        const char* expected;
    } cases[] = {
        // One node per pen record, no spare node, with or without the end record.
        {"PU0,0;PD100,0;SP0;", "U0,0 D100,0"},
        {"PU0,0;PD100,0;", "U0,0 D100,0"},
        // A curve of length 100: n = 10, eleven points from its start with t = 0,
        // 0.1, ..., 1.0; ten additions of 0.1 stay just under 1.0, so the last x
        // truncates to 99. The pen-down after it fills the curve's spare node.
        {"PU0,0;BZ30,0,60,0,100,0;PD0,0;SP0;",
         "U0,0 D0,0 D9,0 D18,0 D27,0 D36,0 D46,0 D56,0 D66,0 D77,0 D88,0 D99,0 D0,0"},
        // A closed loop in one curve gives no points; the node made for it is
        // filled by the next pen record, or stays a placeholder at (0, 0).
        {"PU5,5;BZ100,100,-100,100,5,5;PD9,9;", "U5,5 D9,9"},
        {"PU5,5;BZ100,100,-100,100,5,5;SP0;", "U5,5 N0,0"},
        // The second curve starts at the first one's end point, not at its last
        // flattened point; a curve before any pen record starts at (0, 0).
        {"BZ0,0,4,0,4,0;BZ4,4,4,4,4,4;SP0;", "D0,0 D2,0 D4,0 D4,0 D4,3 D4,4 N0,0"},
        {"", "N0,0"},
    };
    for (const auto& c : cases) EXPECT_EQ(NodesText(Flatten(c.text)), c.expected) << c.text;
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
    const PointList points = Flatten(
        "PU-2147483648,-2147483648;BZ2147483647,-2147483648,"
        "-2147483648,2147483647,2147483647,2147483647;SP0;");
    // sqrt of a chord of about 6.07e9 units: some 78000 points, not billions.
    EXPECT_GT(points.size(), 77000u);
    EXPECT_LT(points.size(), 79000u);
    EXPECT_EQ(points[1].x, INT_MIN);
}

TEST(Bounds, FirstNodeAlwaysCountsOtherPenUpsOnlyBeforeAPenDownAndPlaceholdersNever)
{
    const struct {
        const char* text;
        BoundBox box;
    } cases[] = {
        // (-500, 900) opens the box; (-8000, -8000) is skipped (another pen-up
        // follows); (7000, 7000) counts; the trailing pen-up does not.
        {"PU-500,900;PU-8000,-8000;PU0,20;PD100,50;PU7000,7000;PD120,10;PU-9000,-9000;SP0;", {-500, 7000, 7000, 10}},
        // The placeholder left by the closed curve stays at (0, 0).
        {"PU5,5;PD10,10;BZ9,9,9,9,10,10;SP0;", {5, 10, 10, 5}},
        {"", {1, 2, 3, 4}},
    };
    for (const auto& c : cases) {
        BoundBox box{1, 2, 3, 4};
        ComputeBounds(*c.text ? Flatten(c.text) : PointList{}, box);
        EXPECT_EQ(box, c.box) << c.text;
    }
    PointList points = Flatten("PU500,-300;PD800,100;BZ0,0,0,0,800,100;SP0;");
    EXPECT_EQ(MoveToOrigin(points), (BoundBox{0, 300, 400, 0}));
    EXPECT_EQ(NodesText(points), "U0,0 D300,400 N0,0") << "placeholders are not moved";
}

std::string ObjectsText(const std::vector<MC_ArtObj_>& objects)
{
    std::string out;
    for (const MC_ArtObj_& o : objects)
        out += "[" + NodesText(o.points) + (o.closed ? " closed " : " ") + std::to_string(o.xMin) + ".." +
               std::to_string(o.xMax) + "x" + std::to_string(o.yMin) + ".." + std::to_string(o.yMax) + "]";
    return out;
}

TEST(ArtObjectGrouping, OneObjectPerPenUpWithOwnBoxAndClosedFlag)
{
    // A pen-up followed by another pen-up is an object of its own: one point,
    // closed. Pen-downs before the first pen-up are one too. Placeholders
    // belong to no object.
    const PointList points = Flatten("PU0,0;PD10,0;PD10,10;PD0,0;PU50,50;PU60,60;PD70,60;BZ0,0,0,0,70,60;SP0;");
    const auto objects = BuildArtObjects(points);
    EXPECT_EQ(ObjectsText(objects),
              "[U0,0 D10,0 D10,10 D0,0 closed 0..10x0..10][U50,50 closed 50..50x50..50][U60,60 D70,60 60..70x60..60]");
    const PointList leading = Flatten("PD10,0;PD10,15;PU0,0;PD1,1;SP0;");
    EXPECT_EQ(ObjectsText(BuildArtObjects(leading)), "[D10,0 D10,15 10..10x0..15][U0,0 D1,1 0..1x0..1]");
    // The objects view the list; one with a placeholder between pen nodes is
    // gathered first into another list.
    EXPECT_EQ(objects[2].points.data(), points.data() + 5);
    const PointList gapped = test::NodesFrom("U0,0 N D5,0 U9,9 D9,10 N");
    EXPECT_THROW(BuildArtObjects(gapped), std::invalid_argument);
    PointList compacted;
    const auto gathered = BuildArtObjects(gapped, compacted);
    EXPECT_EQ(ObjectsText(gathered), "[U0,0 D5,0 0..5x0..0][U9,9 D9,10 9..9x9..10]");
    EXPECT_EQ(gathered[1].points.data(), compacted.data() + 2);
    EXPECT_TRUE(BuildArtObjects(PointList{}, compacted).empty());
}

}  // namespace
}  // namespace kerfmax
