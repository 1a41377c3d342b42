// Flattening records into pen points, boxes and art objects.
#include <gtest/gtest.h>

#include <climits>

#include "geometry/ArtObjects.h"
#include "geometry/JobFile.h"
#include "geometry/PointList.h"

namespace kerfmax {
namespace {

PointList Flatten(const char* text) { return FlattenPaths(ParseJobText(text)); }

std::vector<std::int32_t> Kinds(const PointList& points) {
    std::vector<std::int32_t> kinds;
    for (const PointNode& n : points) kinds.push_back(n.kind);
    return kinds;
}

TEST(Flattening, PenRecordsGiveOneNodeEachWithoutSpareNode) {
    for (const char* text : {"PU0,0;PD100,0;SP0;", "PU0,0;PD100,0;"}) {
        const PointList points = Flatten(text);
        ASSERT_EQ(points.size(), 2u) << text;
        EXPECT_EQ(points[1].kind, KIND_PEN_DOWN);
        EXPECT_EQ(points[1].x, 100);
    }
    EXPECT_TRUE(FlattenPaths({}).empty());
}

TEST(Flattening, StraightBezierOfLength100GivesElevenPointsFromItsStart) {
    const PointList points = Flatten("PU0,0;BZ30,0,60,0,100,0;PD0,0;SP0;");
    // The pen-up, t = 0, 0.1, ..., 1.0, then the pen-down fills the spare node.
    ASSERT_EQ(points.size(), 13u);
    EXPECT_EQ(points[0].kind, KIND_PEN_UP);
    for (int i = 0; i <= 10; ++i) {
        EXPECT_EQ(points[1 + i].kind, KIND_PEN_DOWN);
        EXPECT_EQ(points[1 + i].y, 0);
    }
    EXPECT_EQ(points[1].x, 0);
    // Ten additions of 0.1 stay just under 1.0, so the last point truncates to 99.
    EXPECT_EQ(points[11].x, 99);
    EXPECT_EQ(points[12].kind, KIND_PEN_DOWN);
    EXPECT_EQ(points[12].x, 0);
}

TEST(Flattening, PlaceholderNodesStayWhereTheOutputExpectsThem) {
    // A Bezier that ends the job leaves its spare node unfilled.
    EXPECT_EQ(Kinds(Flatten("PU0,0;BZ0,0,100,0,100,0;SP0;")).back(), KIND_NONE);
    // A closed loop in one curve gives no points; the node made for it is filled
    // by the next pen record, or stays a placeholder at the end.
    EXPECT_EQ(Kinds(Flatten("PU5,5;BZ100,100,-100,100,5,5;PD9,9;")),
              (std::vector<std::int32_t>{KIND_PEN_UP, KIND_PEN_DOWN}));
    const PointList tail = Flatten("PU5,5;BZ100,100,-100,100,5,5;SP0;");
    EXPECT_EQ(Kinds(tail), (std::vector<std::int32_t>{KIND_PEN_UP, KIND_NONE}));
    EXPECT_EQ(tail[1].x, 0);
    EXPECT_EQ(tail[1].y, 0);
}

TEST(Flattening, CurvesChainFromTheEndOfTheLastRecord) {
    // The second curve starts where the first ended (its end point, not its last
    // flattened point), and a curve before any pen record starts at (0, 0).
    const PointList points = Flatten("BZ0,0,4,0,4,0;BZ4,4,4,4,4,4;SP0;");
    ASSERT_GE(points.size(), 3u);
    EXPECT_EQ(points[0].x, 0);
    EXPECT_EQ(points[0].y, 0);
    EXPECT_EQ(points[3].x, 4);  // second curve's t = 0
    EXPECT_EQ(points[3].y, 0);
    EXPECT_EQ(points.back().kind, KIND_NONE);
}

TEST(BezierEvaluation, TruncatesTowardZeroAndSurvivesExtremeCoordinates) {
    // A symmetric arch peaks at (5, 7.5) halfway; both signs truncate toward zero.
    const Point mid = EvalBezier({0, 0}, {0, 10}, {10, 10}, {10, 0}, 0.5);
    EXPECT_EQ(mid, (Point{5, 7}));  // (5, 7.5) truncated
    const Point neg = EvalBezier({0, 0}, {0, -10}, {-10, -10}, {-10, 0}, 0.5);
    EXPECT_EQ(neg, (Point{-5, -7}));
    const Point lo{INT_MIN, INT_MIN}, hi{INT_MAX, INT_MAX};
    EXPECT_EQ(EvalBezier(lo, hi, lo, hi, 0.0), lo);
    EXPECT_EQ(EvalBezier(lo, hi, lo, hi, 1.0), hi);
    const Point wild = EvalBezier(lo, hi, lo, hi, 0.5);
    EXPECT_EQ(wild.x, wild.y);
}

TEST(Flattening, HugeCurveStaysBounded) {
    const PointList points = Flatten("PU-2147483648,-2147483648;BZ2147483647,-2147483648,"
                                     "-2147483648,2147483647,2147483647,2147483647;SP0;");
    // sqrt of a chord of about 6.07e9 units: some 78000 points, not billions.
    EXPECT_GT(points.size(), 77000u);
    EXPECT_LT(points.size(), 79000u);
    EXPECT_EQ(points[1].x, INT_MIN);
}

TEST(Bounds, FirstNodeAlwaysCountsOtherPenUpsOnlyBeforeAPenDown) {
    BoundBox box;
    ComputeBounds(Flatten("PU-500,900;PU-8000,-8000;PU0,20;PD100,50;PU7000,7000;PD120,10;PU-9000,-9000;SP0;"), box);
    // (-500, 900) opens the box; (-8000, -8000) is skipped (another pen-up follows);
    // (7000, 7000) counts; the trailing pen-up does not.
    EXPECT_EQ(box, (BoundBox{-500, 7000, 7000, 10}));

    BoundBox untouched{1, 2, 3, 4};
    ComputeBounds(PointList{}, untouched);
    EXPECT_EQ(untouched, (BoundBox{1, 2, 3, 4}));

    // Placeholders never count, but a leading one opens the box at (0, 0).
    PointList withPlaceholder = Flatten("PU5,5;BZ1,1,1,1,5,5;PD10,10;");
    ComputeBounds(withPlaceholder, box);
    EXPECT_EQ(box, (BoundBox{5, 10, 10, 5}));
}

TEST(MovingToOrigin, BoxStartsAtZeroAndPlaceholdersStay) {
    PointList points = Flatten("PU500,-300;PD800,100;BZ0,0,0,0,800,100;SP0;");
    const BoundBox box = MoveToOrigin(points);
    EXPECT_EQ(box, (BoundBox{0, 300, 400, 0}));
    EXPECT_EQ(points.front().x, 0);
    EXPECT_EQ(points.front().y, 0);
    EXPECT_EQ(points.back().kind, KIND_NONE);
    EXPECT_EQ(points.back().x, 0);
}

TEST(ArtObjectGrouping, OneObjectPerPenUpWithOwnBoxAndClosedFlag) {
    const auto objects = BuildArtObjects(
        Flatten("PU0,0;PD10,0;PD10,10;PD0,0;PU50,50;PU60,60;PD70,60;BZ0,0,0,0,70,60;SP0;"));
    ASSERT_EQ(objects.size(), 3u);
    EXPECT_EQ(objects[0].points.size(), 4u);
    EXPECT_EQ(objects[0].closed, 1);
    EXPECT_EQ((BoundBox{objects[0].xMin, objects[0].xMax, objects[0].yMax, objects[0].yMin}),
              (BoundBox{0, 10, 10, 0}));
    // A pen-up followed by another pen-up is an object of its own: one point, closed.
    EXPECT_EQ(objects[1].points.size(), 1u);
    EXPECT_EQ(objects[1].closed, 1);
    EXPECT_EQ(objects[1].xMax, 50);
    // The trailing placeholder is not part of any object.
    EXPECT_EQ(objects[2].points.size(), 2u);
    EXPECT_EQ(objects[2].closed, 0);
}

TEST(ArtObjectGrouping, PenDownsBeforeTheFirstPenUpAreKept) {
    const auto objects = BuildArtObjects(Flatten("PD10,0;PD10,10;PU0,0;PD1,1;SP0;"));
    ASSERT_EQ(objects.size(), 2u);
    EXPECT_EQ(objects[0].points.size(), 2u);
    EXPECT_EQ(objects[0].points[0].kind, KIND_PEN_DOWN);
    EXPECT_TRUE(BuildArtObjects(PointList{}).empty());
}

}  // namespace
}  // namespace kerfmax
