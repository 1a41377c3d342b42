// Mirror and rotation of the loaded job, and the transforms beneath them.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "geometry/Job.h"
#include "geometry/PointList.h"
#include "geometry/Transform.h"
#include "support/GeometryText.h"

namespace kerfmax {
namespace {

using test::NodesText;

// A 1000 x 500 rectangle and a small mark inside it.
Job RectangleJob()
{
    Job job;
    job.LoadJobText("PU0,0;PD1000,0;PD1000,500;PD0,500;PD0,0;PU250,120;PD250,120;SP0;");
    return job;
}

TEST(Placement, MirrorAndTurnsStartAtTheOriginWithinOneUnit)
{
    const struct {
        bool mirror;
        Rotation rotation;
        const char* expected;
        BoundBox box;
    } cases[] = {
        // mirror: x to width - x
        {true, Rotation::None, "U1000,0 D0,0 D0,500 D1000,500 D1000,0 U750,120 D750,120", {0, 1000, 500, 0}},
        // Counter-clockwise with y up; sin(1.5707963) is a hair under 1, so some
        // coordinates land one unit short.
        {false, Rotation::Quarter, "U499,0 D499,999 D0,1000 D0,0 D499,0 U380,250 D380,250", {0, 499, 1000, 0}},
        // (x, y) -> (w - x, h - y), one unit off where truncation bites.
        {false, Rotation::Half, "U999,499 D0,499 D-1,0 D999,0 D999,499 U749,380 D749,380", {-1, 999, 499, 0}},
        {false, Rotation::ThreeQuarter, "U0,999 D0,0 D499,-1 D499,999 D0,999 U119,749 D119,749", {0, 499, 999, -1}},
        // A mirror pressed after a turn acts on the turned job as it lies;
        // a rebuild then applies the mirror first.
        {true, Rotation::Quarter, "U499,999 D499,0 D0,0 D0,1000 D499,999 U380,750 D380,750", {0, 499, 1000, 0}},
    };
    for (const auto& c : cases) {
        Job job = RectangleJob();
        const std::string loaded = NodesText(job.Points());
        job.SetRotation(c.rotation);
        if (c.mirror) job.ToggleMirror();
        job.RebuildPlacement();
        EXPECT_EQ(NodesText(job.Points()), c.expected);
        EXPECT_EQ(job.Box(), c.box) << c.expected;
        // The art objects are rebuilt from the placed points.
        ASSERT_EQ(job.ArtObjects().size(), 2u);
        EXPECT_EQ(NodesText(job.ArtObjects()[1].points), NodesText(std::span(job.Points()).subspan(5)));
        // Back to the file's placement, mirror first.
        if (c.mirror) job.ToggleMirror();
        job.SetRotation(Rotation::None);
        EXPECT_EQ(NodesText(job.Points()), loaded) << c.expected;
    }
    // Without a job nothing happens.
    Job empty;
    empty.ToggleMirror();
    empty.SetRotation(Rotation::Half);
    EXPECT_FALSE(empty.Mirrored());
    EXPECT_EQ(empty.CurrentRotation(), Rotation::None);
    EXPECT_TRUE(empty.Points().empty());
}

TEST(Transforms, PlaceholdersStayBoxesKeepMinBeforeMaxAndExtremesNeitherOverflowNorTrap)
{
    PointList points = test::NodesFrom("U10,20 N D-5,7 U-2147483648,0");
    ApplyTransform(points, MirrorTransform());
    // Mirroring the most negative coordinate saturates instead of overflowing.
    EXPECT_EQ(NodesText(points), "U-10,20 N0,0 D5,7 U2147483647,0");
    BoundBox box{0, 1000, 500, 0};
    TransformBox(box, RotationTransform(kQuarterTurn));
    EXPECT_EQ(box, (BoundBox{-499, 0, 999, 0}));
    BoundBox shifted{0, 10, 10, 0};
    TransformBox(shifted, TranslationTransform(-3, 4));
    EXPECT_EQ(shifted, (BoundBox{-3, 7, 14, 4}));

    EXPECT_EQ(TruncateToInt32(-7.9), -7);
    EXPECT_EQ(TruncateToInt32(7.9), 7);
    EXPECT_EQ(TruncateToInt32(1e300), INT_MAX);
    EXPECT_EQ(TruncateToInt32(-1e300), INT_MIN);
    EXPECT_EQ(TruncateToInt32(std::nan("")), 0);
    // The translation wraps as 32-bit plotter arithmetic does.
    PointList corner = test::NodesFrom("D2147483647,-2147483648");
    TranslatePoints(corner, 1, -1);
    EXPECT_EQ(NodesText(corner), "D-2147483648,2147483647");
}

TEST(Placement, OnlyJobsThatStayInsideThe32BitRangeFit)
{
    const struct {
        const char* what;
        const char* text;
        bool fitsLoaded;
        bool mirror;
        Rotation turn;
        bool fitsPlaced;
    } cases[] = {
        {"the largest size", "PU0,0;PD2147483647,0;SP0;", true, true, Rotation::None, true},
        // Mirrored in place, -(-2^31) has no 32-bit value: the placement is refused
        // rather than cut one unit short.
        {"the smallest coordinate mirrored", "PU-2147483648,5;PD-2147483647,-100;SP0;", true, true, Rotation::None,
         false},
        {"a size past the limit from coordinates that fit", "PU-2000000000,0;PD2000000000,0;SP0;", false, true,
         Rotation::None, false},
        // A pen-up that does not widen the box still moves with the job.
        {"a trailing pen-up moved out", "PU-100,0;PD10,0;PU2147483647,5;SP0;", false, false, Rotation::None, false},
        // sin(3.1415926) is not 0: the turned corner lands 115 units past the range.
        {"a half turn pushes a corner out", "PU0,0;PD2147483647,0;PD2147483647,2147483647;SP0;", true, false,
         Rotation::Half, false},
    };
    for (const auto& c : cases) {
        Job job;
        job.LoadJobText(c.text);
        ASSERT_TRUE(job.HasJob()) << c.what;
        EXPECT_EQ(job.FitsCutterRange(), c.fitsLoaded) << c.what;
        if (c.mirror) job.ToggleMirror();
        job.SetRotation(c.turn);
        EXPECT_EQ(job.FitsCutterRange(), c.fitsPlaced) << c.what;
        // Back to the file's placement: the answer of the load again.
        if (c.mirror) job.ToggleMirror();
        job.SetRotation(Rotation::None);
        EXPECT_EQ(job.FitsCutterRange(), c.fitsLoaded) << c.what;
    }
}

}  // namespace
}  // namespace kerfmax
