#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "geometry/BladeCompensation.h"
#include "geometry/OutputSink.h"

namespace kerfmax {
namespace {

constexpr std::int32_t kBlade = 14;     // 0.35 mm
constexpr std::int32_t kOverCut = 40;   // 1.0 mm

// Feeds the commands through a fresh filter and returns what it wrote.
std::string Compensate(const std::vector<std::string>& commands, std::int32_t blade, std::int32_t overCut,
                       int isDmpl = 0)
{
    BladeCompensator compensator;
    StringSink sink;
    CompensatorOutput registered(compensator, sink);
    for (const std::string& text : commands) compensator.CompensateCommand(text, blade, overCut, isDmpl);
    return sink.Text();
}

const std::vector<std::string> kSquare = {"PU0,0;", "PD1000,0;", "PD1000,1000;", "PD0,1000;", "PD0,0;", "PU0,0;"};

// Each sharp corner: b past the corner, a 90-degree arc in five steps (six
// points, the first repeating the prolonged point), then b along the next side.
const std::string kSquareCorners =
    "PU0,0;"
    "PD0,0;"                                                                   // knife down at the start
    "PD1014,0;" "PD1014,0;PD1013,4;PD1011,8;PD1008,11;PD1004,13;PD1000,13;" "PD1000,14;"
    "PD1000,1014;" "PD1000,1014;PD995,1013;PD991,1011;PD988,1008;PD986,1004;PD986,1000;" "PD986,1000;"
    "PD-14,1000;" "PD-14,1000;PD-13,995;PD-11,991;PD-8,988;PD-4,986;PD0,986;" "PD0,986;"
    // the closing corner, turned when the pen-up finishes the path
    "PD0,-14;" "PD0,-14;PD4,-13;PD8,-11;PD11,-8;PD13,-4;PD13,0;" "PD14,0;";

TEST(BladeCompensation, SquareIsTurnedAtEveryCornerIncludingTheClosingOne)
{
    EXPECT_EQ(Compensate(kSquare, kBlade, 0), kSquareCorners + "PU0,0;");
}

TEST(BladeCompensation, ClosedPathOverCutRunsBladeOffsetPlusOverCutAlongTheFirstSide)
{
    EXPECT_EQ(Compensate(kSquare, kBlade, kOverCut), kSquareCorners + "PD54,0;" + "PU0,0;");
}

TEST(BladeCompensation, DmplUsesItsOwnWords)
{
    EXPECT_EQ(Compensate({"U0,0;", "D1000,0;", "D1000,1000;", "U0,0;"}, kBlade, kOverCut, 1),
              "U0,0;D0,0;D1014,0;D1014,0;D1013,4;D1011,8;D1008,11;D1004,13;D1000,13;D1000,14;D1000,1040;U0,0;");
}

TEST(BladeCompensation, BluntCornersAreWrittenAsPlainVertices)
{
    // A turn of 30 degrees (corner of 150): only the vertex.
    EXPECT_EQ(Compensate({"PU0,0;", "PD1000,0;", "PD1866,500;", "PU0,0;"}, kBlade, 0),
              "PU0,0;PD0,0;PD1000,0;PD1866,500;PU0,0;");
    // Closed path with blade offset 0 and over-cut: corners plain, the closing
    // point twice, then the over-cut along the first side.
    EXPECT_EQ(Compensate(kSquare, 0, kOverCut),
              "PU0,0;PD0,0;PD1000,0;PD1000,1000;PD0,1000;PD0,0;PD0,0;PD40,0;PU0,0;");
}

TEST(BladeCompensation, OpenPathEndsPastItsLastPointByTheOverCut)
{
    EXPECT_EQ(Compensate({"PU0,0;", "PD1000,0;", "PD1000,1000;", "PU0,0;"}, 0, kOverCut),
              "PU0,0;PD0,0;PD1000,0;PD1000,1040;PU0,0;");
    // Without over-cut it ends on its last point.
    EXPECT_EQ(Compensate({"PU0,0;", "PD1000,0;", "PD1000,1000;", "PU0,0;"}, kBlade, 0),
              "PU0,0;PD0,0;PD1014,0;PD1014,0;PD1013,4;PD1011,8;PD1008,11;PD1004,13;PD1000,13;PD1000,14;"
              "PD1000,1000;PU0,0;");
}

TEST(BladeCompensation, SingleSegmentPathCutsFromThePenUpPointWithoutAStartPenDown)
{
    // 40 past (500,300) along the segment: 534.3, 320.6 truncated.
    EXPECT_EQ(Compensate({"PU0,0;", "PD500,300;", "PU0,0;"}, kBlade, kOverCut), "PU0,0;PD534,320;PU0,0;");
}

TEST(BladeCompensation, ZeroSweepArcIsOnlyItsStartPoint)
{
    // With a blade offset of one unit the prolonged point truncates back onto the
    // corner (3,4): the arc has no sweep and must not loop.
    EXPECT_EQ(Compensate({"PU0,0;", "PD3,4;", "PD-7,4;", "PU0,0;"}, 1, 0),
              "PU0,0;PD0,0;PD3,4;PD3,4;PD2,4;PD-7,4;PU0,0;");
}

TEST(BladeCompensation, PlaceholderFinishesThePathOnce)
{
    // The empty text of a trailing placeholder finishes the path; the final
    // pen-up must not finish it again (no recut corner, no line back from the
    // over-cut point).
    std::vector<std::string> withPlaceholder = kSquare;
    withPlaceholder.insert(withPlaceholder.end() - 1, "");
    EXPECT_EQ(Compensate(withPlaceholder, kBlade, kOverCut), kSquareCorners + "PD54,0;" + "PU0,0;");
}

TEST(BladeCompensation, StateCarriesToTheNextJob)
{
    BladeCompensator compensator;
    StringSink sink;
    CompensatorOutput registered(compensator, sink);
    for (const char* text : {"PU0,0;", "PD100,0;", "PD100,100;", "PU0,0;"})
        compensator.CompensateCommand(text, 0, kOverCut, 0);
    EXPECT_FALSE(compensator.PathOpen());
    std::size_t firstJob = sink.Text().size();
    // The next job's first pen-down starts a new path from its own pen-up.
    for (const char* text : {"PU7,7;", "PD50,7;", "PD50,60;", "PU0,0;"})
        compensator.CompensateCommand(text, 0, kOverCut, 0);
    EXPECT_EQ(sink.Text().substr(firstJob), "PU7,7;PD7,7;PD50,7;PD50,100;PU0,0;");
}

TEST(CornerTest, SharpMeansUnder120DegreesOrAnAxisRightAngle)
{
    EXPECT_EQ(IsSharpCorner({0, 0}, {10, 0}, {0, 10}), 1);               // axis right angle
    EXPECT_EQ(IsSharpCorner({0, 0}, {1000000, 0}, {-500000, 866026}), 1);  // just under 120
    EXPECT_EQ(IsSharpCorner({0, 0}, {1000000, 0}, {-500000, 866025}), 0);  // just over 120
    // The cosine of this corner comes out as exactly -0.5: 120 degrees is not sharp.
    EXPECT_EQ(IsSharpCorner({0, 0}, {129846003, 47485706}, {-106046829, 88707084}), 0);
    EXPECT_EQ(IsSharpCorner({1000, 0}, {0, 0}, {1866, 500}), 0);         // 150 degrees
    // A leg of length 0 is never sharp.
    EXPECT_EQ(IsSharpCorner({5, 5}, {5, 5}, {0, 10}), 0);
    EXPECT_EQ(IsSharpCorner({5, 5}, {0, 10}, {0, 10}), 0);
}

TEST(CornerTest, TurnIsExactOnJobsOfSeveralMetres)
{
    // 4e9 units: the cross product no longer fits 64 bits.
    EXPECT_EQ(TurnSign({0, 0}, {4000000000, 0}, {4000000000, 4000000000}), 1);
    EXPECT_EQ(TurnSign({0, 0}, {4000000000, 0}, {4000000000, -4000000000}), -1);
    EXPECT_EQ(TurnSign({0, 0}, {10, 0}, {20, 0}), 0);
}

TEST(ParsePenPointTest, FindsThePrefixAnywhereAndReadsTwoNumbers)
{
    PenPoint p;
    EXPECT_EQ(ParsePenPoint("PD", "xxPD-12, 34;", p), 2);
    EXPECT_EQ(p, (PenPoint{-12, 34}));
    PenPoint q{5, 6};
    EXPECT_EQ(ParsePenPoint("PD", "PD;", q), 2);   // found, numbers unreadable: unchanged
    EXPECT_EQ(q, (PenPoint{5, 6}));
    EXPECT_EQ(ParsePenPoint("PU", "PD1,2;", q), 0);
    PenPoint huge;
    ParsePenPoint("D", "D99999999999999999999999,-99999999999999999999999;", huge);
    EXPECT_EQ(huge, (PenPoint{kPenCoordinateLimit, -kPenCoordinateLimit}));
}

}  // namespace
}  // namespace kerfmax
