// The preview's fit: scale, centring, the upside-down turn, the frame.
#include <gtest/gtest.h>

#include "geometry/PreviewGeometry.h"
#include "support/GeometryText.h"

namespace kerfmax {
namespace {

using test::NodesFrom;

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
