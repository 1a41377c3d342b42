// Mirror and rotation of the loaded job, and the transforms beneath them.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "geometry/Job.h"
#include "geometry/PointList.h"
#include "geometry/Transform.h"
#include "support/TestSupport.h"

namespace kerfmax {
namespace {

// A 1000 x 500 rectangle and a small mark inside it.
constexpr const char* kJobText = "PU0,0;PD1000,0;PD1000,500;PD0,500;PD0,0;PU250,120;PD250,120;SP0;";

using Points = std::vector<std::pair<std::int32_t, std::int32_t>>;

Points PenPoints(const Job& job) {
    Points out;
    for (const PointNode& n : job.Points()) out.emplace_back(n.x, n.y);
    return out;
}

class PlacementTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::WriteFileBytes(m_dir / "job.hb", kJobText);
        m_job.LoadJob((m_dir / "job.hb").string());
        ASSERT_TRUE(m_job.HasJob());
        m_loaded = PenPoints(m_job);
    }
    test::TempDir m_dir;
    Job m_job;
    Points m_loaded;
};

TEST_F(PlacementTest, MirrorMapsXToWidthMinusXAndTwiceRestores) {
    m_job.ToggleMirror();
    EXPECT_TRUE(m_job.Mirrored());
    EXPECT_EQ(PenPoints(m_job), (Points{{1000, 0}, {0, 0}, {0, 500}, {1000, 500}, {1000, 0}, {750, 120}, {750, 120}}));
    EXPECT_EQ(m_job.Box(), (BoundBox{0, 1000, 500, 0}));
    m_job.ToggleMirror();
    EXPECT_EQ(PenPoints(m_job), m_loaded);
}

TEST_F(PlacementTest, QuarterTurnUsesTheTruncatedAngle) {
    m_job.SetRotation(Rotation::Quarter);
    // Counter-clockwise with y up; sin(1.5707963) is a hair under 1, so some
    // coordinates land one unit short.
    EXPECT_EQ(PenPoints(m_job), (Points{{499, 0}, {499, 999}, {0, 1000}, {0, 0}, {499, 0}, {380, 250}, {380, 250}}));
    EXPECT_EQ(m_job.Box(), (BoundBox{0, 499, 1000, 0}));
    ASSERT_EQ(m_job.ArtObjects().size(), 2u);
    EXPECT_EQ(m_job.ArtObjects()[1].xMin, 380);
}

TEST_F(PlacementTest, HalfTurnAndThreeQuarterTurnStartAtTheOriginWithinOneUnit) {
    m_job.SetRotation(Rotation::Half);
    // (x, y) -> (w - x, h - y), one unit off where truncation bites.
    EXPECT_EQ(PenPoints(m_job), (Points{{999, 499}, {0, 499}, {-1, 0}, {999, 0}, {999, 499}, {749, 380}, {749, 380}}));
    EXPECT_EQ(m_job.Box(), (BoundBox{-1, 999, 499, 0}));
    m_job.SetRotation(Rotation::ThreeQuarter);
    EXPECT_EQ(PenPoints(m_job), (Points{{0, 999}, {0, 0}, {499, -1}, {499, 999}, {0, 999}, {119, 749}, {119, 749}}));
}

TEST_F(PlacementTest, RotationIsRebuiltFromTheFileWithTheMirrorFirst) {
    m_job.SetRotation(Rotation::Quarter);
    m_job.SetRotation(Rotation::None);
    EXPECT_EQ(PenPoints(m_job), m_loaded);

    m_job.ToggleMirror();
    const Points mirrored = PenPoints(m_job);
    m_job.SetRotation(Rotation::Half);
    m_job.SetRotation(Rotation::None);
    EXPECT_EQ(PenPoints(m_job), mirrored);
    EXPECT_EQ(m_job.CurrentRotation(), Rotation::None);

    // A mirror pressed after a turn acts on the turned job as it lies.
    m_job.SetRotation(Rotation::Quarter);
    m_job.ToggleMirror();
    m_job.ToggleMirror();
    m_job.RebuildPlacement();
    EXPECT_EQ(PenPoints(m_job), (Points{{499, 999}, {499, 0}, {0, 0}, {0, 1000}, {499, 999}, {380, 750}, {380, 750}}));
}

TEST(Placement, WithoutAJobNothingHappens) {
    Job job;
    job.ToggleMirror();
    job.SetRotation(Rotation::Half);
    EXPECT_FALSE(job.Mirrored());
    EXPECT_EQ(job.CurrentRotation(), Rotation::None);
    EXPECT_TRUE(job.Points().empty());
}

TEST(Transforms, PlaceholdersStayAndBoxesKeepMinBeforeMax) {
    PointList points{{KIND_PEN_UP, 10, 20}, {KIND_NONE, 0, 0}, {KIND_PEN_DOWN, -5, 7}};
    ApplyTransform(points, MirrorTransform());
    EXPECT_EQ(points[0].x, -10);
    EXPECT_EQ(points[1].kind, KIND_NONE);
    EXPECT_EQ(points[1].x, 0);
    EXPECT_EQ(points[2].x, 5);

    BoundBox box{0, 1000, 500, 0};
    TransformBox(box, RotationTransform(kQuarterTurn));
    EXPECT_EQ(box, (BoundBox{-499, 0, 999, 0}));
    BoundBox shifted{0, 10, 10, 0};
    TransformBox(shifted, TranslationTransform(-3, 4));
    EXPECT_EQ(shifted, (BoundBox{-3, 7, 14, 4}));
}

TEST(Transforms, ExtremeCoordinatesNeitherOverflowNorTrap) {
    EXPECT_EQ(TruncateToInt32(-7.9), -7);
    EXPECT_EQ(TruncateToInt32(7.9), 7);
    EXPECT_EQ(TruncateToInt32(1e300), INT_MAX);
    EXPECT_EQ(TruncateToInt32(-1e300), INT_MIN);
    EXPECT_EQ(TruncateToInt32(std::nan("")), 0);
    // The translation wraps as 32-bit plotter arithmetic does.
    PointList points{{KIND_PEN_DOWN, INT_MAX, INT_MIN}};
    TranslatePoints(points, 1, -1);
    EXPECT_EQ(points[0].x, INT_MIN);
    EXPECT_EQ(points[0].y, INT_MAX);
    // Mirroring the most negative coordinate saturates instead of overflowing.
    PointList lowest{{KIND_PEN_UP, INT_MIN, 0}};
    ApplyTransform(lowest, MirrorTransform());
    EXPECT_EQ(lowest[0].x, INT_MAX);
}

}  // namespace
}  // namespace kerfmax
