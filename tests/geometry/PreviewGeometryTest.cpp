// The preview's fit: scale, centring, the upside-down turn, the frame.
#include <gtest/gtest.h>

#include "geometry/PreviewGeometry.h"
#include "support/GeometryText.h"

namespace kerfmax {
namespace {

using test::NodesFrom;

TEST(PreviewGeometry, AWideJobFillsTheWidthAndIsCentredVertically)
{
    const BoundBox box{0, 4000, 1000, 0};
    const PreviewMapping m = FitPreview(box, {}, 200, 200);
    EXPECT_DOUBLE_EQ(m.scale, 190.0 / 4000.0);
    EXPECT_EQ(m.x0, 5);
    EXPECT_EQ(m.y0, 76);  // truncate(95 - 23.75) + 5

    // y is turned: the job's bottom edge is the lower edge on the screen.
    const PreviewPicture picture = BuildPreview(NodesFrom("U0,0 D4000,0 D4000,1000"), box, {}, 200, 200);
    ASSERT_EQ(picture.paths.size(), 1u);
    EXPECT_EQ(picture.paths[0],
              (std::vector<ScreenPoint>{{5, 124}, {195, 124}, {195, 76}}));  // +0.55 before truncating
    EXPECT_FALSE(picture.frame.has_value());

    // A tall job in the same area is fitted by its height instead.
    EXPECT_DOUBLE_EQ(FitPreview(BoundBox{0, 1000, 4000, 0}, {}, 200, 200).scale, 190.0 / 4000.0);
}

TEST(PreviewGeometry, TheFrameAddsItsMarginsAndIsDrawnAroundThem)
{
    const BoundBox box{0, 4000, 4000, 0};
    PreviewFrame frame{true, 1, 2, 3, 4};
    const PreviewMapping m = FitPreview(box, frame, 300, 300);
    EXPECT_EQ(m.offX, 120);  // the bottom margin moves x, the left margin y
    EXPECT_EQ(m.offY, 40);
    EXPECT_EQ(m.extentW, 4000 + 40 * 7);
    EXPECT_EQ(m.extentH, 4000 + 40 * 3);
    const PreviewPicture picture = BuildPreview(NodesFrom("U0,0 D10,10"), box, frame, 300, 300);
    ASSERT_TRUE(picture.frame.has_value());
    ASSERT_EQ(picture.frame->size(), 5u);
    EXPECT_EQ(picture.frame->front(), picture.frame->back());
    EXPECT_EQ(picture.frame->at(0), m.MapFrame(0, 0));
    EXPECT_EQ(picture.frame->at(2), m.MapFrame(m.extentW, m.extentH));
}

TEST(PreviewGeometry, PathsFollowThePenAndOddJobsStayDrawable)
{
    // A pen-down before any pen-up starts at the area's corner; pen-ups break
    // the lines; placeholders are skipped.
    const BoundBox box{0, 100, 100, 0};
    const PreviewPicture picture = BuildPreview(NodesFrom("D100,100 N0,0 U0,0 U50,50 D100,0"), box, {}, 110, 110);
    ASSERT_EQ(picture.paths.size(), 2u);
    EXPECT_EQ(picture.paths[0].front(), (ScreenPoint{0, 0}));
    EXPECT_EQ(picture.paths[1].size(), 2u);
    EXPECT_EQ(picture.paths[1].front(), FitPreview(box, {}, 110, 110).Map(50, 50));

    // A single point has no extent: a fixed scale, finite coordinates.
    const BoundBox point{0, 0, 0, 0};
    EXPECT_DOUBLE_EQ(FitPreview(point, {}, 100, 100).scale, kSinglePointScale);
    const PreviewPicture dot = BuildPreview(NodesFrom("U0,0 D0,0"), point, {}, 100, 100);
    ASSERT_EQ(dot.paths.size(), 1u);
    EXPECT_EQ(dot.paths[0].back(), (ScreenPoint{50, 50}));

    EXPECT_TRUE(BuildPreview({}, box, {}, 100, 100).paths.empty());
}

TEST(PreviewGeometry, ZoomKeepsThePointUnderTheCursorAndDrawsOnlyWhatShows)
{
    // Zooming twice at different points: the fitted position under each cursor stays put.
    PreviewView view = PreviewView{}.ZoomedAt(2.0, 30, 40);
    EXPECT_DOUBLE_EQ(view.ViewX(30), 30);
    EXPECT_DOUBLE_EQ(view.ViewY(40), 40);
    const double fittedUnder = (70 - view.panX) / view.zoom;
    view = view.ZoomedAt(3.0, 70, 10);
    EXPECT_DOUBLE_EQ(view.zoom, 6.0);
    EXPECT_NEAR(view.ViewX(fittedUnder), 70, 1e-9);
    // Out past the fit is the fit; in stops at the limit.
    EXPECT_TRUE(view.ZoomedAt(0.01, 5, 5).IsFitted());
    EXPECT_DOUBLE_EQ(PreviewView{}.ZoomedAt(1e12, 5, 5).zoom, kMaxPreviewZoom);

    // A job of a billion units seen at the limit near one corner: lines are
    // clipped to the area, so every pixel is a real one near it.
    const BoundBox box{0, 1'000'000'000, 1'000'000'000, 0};
    const PointList job = NodesFrom("U0,0 D1000000000,1000000000 D1000000000,0 D0,0");
    const PreviewFrame frame{true, 1, 1, 1, 1};
    const PreviewMapping map = FitPreview(box, frame, 200, 200);
    const double onLineX = map.FittedX(500'000'000 + map.offX), onLineY = map.FittedY(500'000'000 + map.offY);
    const PreviewView deep = PreviewView{}.ZoomedAt(1e12, onLineX, onLineY);
    const PreviewPicture picture = BuildPreview(job, box, frame, 200, 200, deep);
    ASSERT_FALSE(picture.paths.empty());
    for (const auto& path : picture.paths)
        for (const ScreenPoint& p : path) {
            EXPECT_TRUE(p.x >= -2 && p.x <= 202 && p.y >= -2 && p.y <= 202) << p.x << "," << p.y;
        }
    ASSERT_TRUE(picture.frame.has_value());
    EXPECT_EQ(picture.frame->size(), 5u);  // still one closed polyline, pulled in to the area
    for (const ScreenPoint& p : *picture.frame) EXPECT_TRUE(p.x >= -2 && p.x <= 202 && p.y >= -2 && p.y <= 202);

    // Panned so that the job lies beside the area: nothing to draw.
    EXPECT_TRUE(BuildPreview(job, box, {}, 200, 200, PreviewView{}.PannedBy(500, 0)).paths.empty());
    // A line crossing the area is cut at its edges, not dropped.
    const PreviewPicture crossing = BuildPreview(NodesFrom("U0,50 D100,50"), BoundBox{0, 100, 100, 0}, {}, 110, 110,
                                                 PreviewView{}.ZoomedAt(4.0, 55, 55));
    ASSERT_EQ(crossing.paths.size(), 1u);
    EXPECT_EQ(crossing.paths[0].front().x, -2);
    EXPECT_EQ(crossing.paths[0].back().x, 112);
}

}  // namespace
}  // namespace kerfmax
