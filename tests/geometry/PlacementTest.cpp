// Mirror and rotation of the loaded job, and the transforms beneath them.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <tuple>

#include "geometry/Job.h"
#include "geometry/PointList.h"
#include "geometry/Transform.h"

namespace kerfmax {
namespace {

using Points = std::vector<std::pair<std::int32_t, std::int32_t>>;

Points PenPoints(const Job& job)
{
    Points out;
    for (const PointNode& n : job.Points()) out.emplace_back(n.x, n.y);
    return out;
}

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
        const char* what;
        bool mirror;
        Rotation rotation;
        Points expected;
        BoundBox box;
    } cases[] = {
        {"mirror: x to width - x",
         true,
         Rotation::None,
         {{1000, 0}, {0, 0}, {0, 500}, {1000, 500}, {1000, 0}, {750, 120}, {750, 120}},
         {0, 1000, 500, 0}},
        // Counter-clockwise with y up; sin(1.5707963) is a hair under 1, so some
        // coordinates land one unit short.
        {"quarter turn",
         false,
         Rotation::Quarter,
         {{499, 0}, {499, 999}, {0, 1000}, {0, 0}, {499, 0}, {380, 250}, {380, 250}},
         {0, 499, 1000, 0}},
        // (x, y) -> (w - x, h - y), one unit off where truncation bites.
        {"half turn",
         false,
         Rotation::Half,
         {{999, 499}, {0, 499}, {-1, 0}, {999, 0}, {999, 499}, {749, 380}, {749, 380}},
         {-1, 999, 499, 0}},
        {"three-quarter turn",
         false,
         Rotation::ThreeQuarter,
         {{0, 999}, {0, 0}, {499, -1}, {499, 999}, {0, 999}, {119, 749}, {119, 749}},
         {0, 499, 999, -1}},
    };
    for (const auto& c : cases) {
        Job job = RectangleJob();
        if (c.mirror) job.ToggleMirror();
        job.SetRotation(c.rotation);
        EXPECT_EQ(PenPoints(job), c.expected) << c.what;
        EXPECT_EQ(job.Box(), c.box) << c.what;
        // The art objects are rebuilt from the placed points.
        ASSERT_EQ(job.ArtObjects().size(), 2u);
        EXPECT_EQ(job.ArtObjects()[1].xMin, c.expected[5].first) << c.what;
    }
}

TEST(Placement, RotationIsRebuiltFromTheFileWithTheMirrorFirst)
{
    Job job = RectangleJob();
    const Points loaded = PenPoints(job);
    job.SetRotation(Rotation::Quarter);
    job.SetRotation(Rotation::None);
    EXPECT_EQ(PenPoints(job), loaded);
    EXPECT_EQ(job.CurrentRotation(), Rotation::None);
    job.ToggleMirror();
    job.ToggleMirror();
    EXPECT_EQ(PenPoints(job), loaded);
    // A mirror pressed after a turn acts on the turned job as it lies; a rebuild
    // then applies the mirror first.
    job.ToggleMirror();
    job.SetRotation(Rotation::Quarter);
    job.ToggleMirror();
    job.ToggleMirror();
    job.RebuildPlacement();
    EXPECT_EQ(PenPoints(job), (Points{{499, 999}, {499, 0}, {0, 0}, {0, 1000}, {499, 999}, {380, 750}, {380, 750}}));
    // Without a job nothing happens.
    Job empty;
    empty.ToggleMirror();
    empty.SetRotation(Rotation::Half);
    EXPECT_FALSE(empty.Mirrored());
    EXPECT_EQ(empty.CurrentRotation(), Rotation::None);
    EXPECT_TRUE(empty.Points().empty());
}

TEST(Transforms, PlaceholdersStayAndBoxesKeepMinBeforeMax)
{
    PointList points{{KIND_PEN_UP, 10, 20}, {KIND_NONE, 0, 0}, {KIND_PEN_DOWN, -5, 7}};
    ApplyTransform(points, MirrorTransform());
    EXPECT_EQ(std::make_tuple(points[0].x, points[1].kind, points[1].x, points[2].x),
              std::make_tuple(-10, KIND_NONE, 0, 5));
    BoundBox box{0, 1000, 500, 0};
    TransformBox(box, RotationTransform(kQuarterTurn));
    EXPECT_EQ(box, (BoundBox{-499, 0, 999, 0}));
    BoundBox shifted{0, 10, 10, 0};
    TransformBox(shifted, TranslationTransform(-3, 4));
    EXPECT_EQ(shifted, (BoundBox{-3, 7, 14, 4}));
}

TEST(Transforms, ExtremeCoordinatesNeitherOverflowNorTrap)
{
    EXPECT_EQ(TruncateToInt32(-7.9), -7);
    EXPECT_EQ(TruncateToInt32(7.9), 7);
    EXPECT_EQ(TruncateToInt32(1e300), INT_MAX);
    EXPECT_EQ(TruncateToInt32(-1e300), INT_MIN);
    EXPECT_EQ(TruncateToInt32(std::nan("")), 0);
    // The translation wraps as 32-bit plotter arithmetic does.
    PointList points{{KIND_PEN_DOWN, INT_MAX, INT_MIN}};
    TranslatePoints(points, 1, -1);
    EXPECT_EQ(std::make_pair(points[0].x, points[0].y), std::make_pair(INT_MIN, INT_MAX));
    // Mirroring the most negative coordinate saturates instead of overflowing.
    PointList lowest{{KIND_PEN_UP, INT_MIN, 0}};
    ApplyTransform(lowest, MirrorTransform());
    EXPECT_EQ(lowest[0].x, INT_MAX);
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
        {"the smallest coordinate", "PU-2147483648,5;PD-2147483648,-100;SP0;", true, false, Rotation::Quarter, true},
        // Mirrored in place, -(-2^31) has no 32-bit value: the placement is refused
        // rather than cut one unit short.
        {"the smallest coordinate mirrored", "PU-2147483648,5;PD-2147483647,-100;SP0;", true, true, Rotation::None,
         false},
        {"a number past the limit", "PU0,0;PD2147483648,0;SP0;", false, false, Rotation::None, false},
        {"a number below the limit", "PU0,0;PD0,-2147483649;SP0;", false, false, Rotation::Half, false},
        {"a size past the limit from coordinates that fit", "PU-2000000000,0;PD2000000000,0;SP0;", false, true,
         Rotation::None, false},
        // A pen-up that does not widen the box still moves with the job.
        {"a trailing pen-up moved out", "PU-100,0;PD10,0;PU2147483647,5;SP0;", false, false, Rotation::None, false},
        // sin(3.1415926) is not 0: the turned corner lands 115 units past the range.
        {"a half turn pushes a corner out", "PU0,0;PD2147483647,0;PD2147483647,2147483647;SP0;", true, false,
         Rotation::Half, false},
        {"a small job mirrored and turned", "PU5,5;PD1000,5;PD1000,900;SP0;", true, true, Rotation::Quarter, true},
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
    // A number past the limit is kept clamped, as before: only the answer changes.
    Job clamped;
    clamped.LoadJobText("PU0,0;PD2147483656,0;SP0;");
    EXPECT_EQ(clamped.Points()[1].x, INT_MAX);
}

}  // namespace
}  // namespace kerfmax
