// Flattening records into pen points and art objects, and simplifying
// axis-parallel runs of them.
#include <gtest/gtest.h>

#include <climits>
#include <stdexcept>

#include "geometry/ArtObjects.h"
#include "geometry/AxisRuns.h"
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

TEST(AxisRuns, OnlyTheEndOfEachRunAndNoRepeatedPointSurvives)
{
    const char* square = "U0,0 D10,0 D10,10 D0,10 D0,0";
    const struct {
        const char* what;
        const char* input;
        const char* expected;
    } cases[] = {
        {"horizontal run", "U0,0 D1,0 D2,0 D3,0 D3,5", "U0,0 D3,0 D3,5"},
        {"vertical run", "U0,0 D0,1 D0,2 D0,3 D5,3", "U0,0 D0,3 D5,3"},
        {"square of five corners", square, square},
        {"repeated point; the spare stays a placeholder", "U0,0 D10,10 D10,10 D20,0", "U0,0 D10,10 D20,0 N0,0"},
        {"run ended by a pen-up", "U0,0 D5,0 D9,0 U20,0 D20,7", "U0,0 D9,0 U20,0 D20,7"},
        // A job ending in a Bezier ends in a placeholder: the pending end of the
        // run must become a pen-down, not a second placeholder.
        {"horizontal run before a placeholder", "U0,0 D10,0 D20,0 N", "U0,0 D20,0"},
        {"vertical run before a placeholder", "U0,5 D0,10 D0,20 N", "U0,5 D0,20"},
        // The placeholder's x of 0 ends the vertical run at x = 5.
        {"placeholder reads as the origin", "U5,5 D5,10 N", "U5,5 D5,10 N0,0"},
        {"empty list", "", "N0,0"},
        {"placeholder only", "N", "N0,0"},
    };
    for (const auto& c : cases) {
        PointList points = test::NodesFrom(c.input);
        SimplifyAxisRuns(points);
        EXPECT_EQ(test::NodesText(points), c.expected) << c.what;
    }
}

}  // namespace
}  // namespace kerfmax
