// The preview's fit: scale, centring, the upside-down turn, the frame, the zoom;
// and the cutting-order pictures drawn with the same fit.
#include <gtest/gtest.h>

#include <variant>

#include "geometry/ArtObjects.h"
#include "geometry/CuttingOrderPicture.h"
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

using Strokes = std::vector<std::variant<TravelArrow, CutLine>>;

TEST(CuttingOrderPicture, FollowsTheGivenOrderFromTheBottomRightCornerAndDropsArrowsWithoutTravel)
{
    // A job 1000 x 500 units in a 110 x 110 area: scale 0.1, origin (5, 30).
    // Object A: an L from the top-left corner; object B: a short line at the bottom right.
    const PointList points = {{KIND_PEN_UP, 0, 500},
                              {KIND_PEN_DOWN, 200, 500},
                              {KIND_PEN_DOWN, 200, 300},
                              {KIND_PEN_UP, 800, 100},
                              {KIND_PEN_DOWN, 1000, 100}};
    const BoundBox box{.xMin = 0, .xMax = 1000, .yMax = 500, .yMin = 0};
    const CutLine cutA = {{5, 30}, {25, 30}, {25, 50}}, cutB = {{85, 70}, {105, 70}};
    const std::vector<MC_ArtObj_> objects = BuildArtObjects(points);
    const ObjectOrder turned = {1, 7, 0};  // 7 is no object and is skipped
    const struct {
        const ObjectOrder* order;
        bool travel;
        std::vector<Strokes> expected;
    } cases[] = {
        {nullptr, true, {{MakeTravelArrow({105, 80}, {5, 30}), cutA}, {MakeTravelArrow({25, 50}, {85, 70}), cutB}}},
        {&turned, true, {{MakeTravelArrow({105, 80}, {85, 70}), cutB}, {MakeTravelArrow({105, 70}, {5, 30}), cutA}}},
        {&turned, false, {{cutB}, {cutA}}},
    };
    for (const auto& c : cases) {
        const CuttingOrderPicture picture = BuildCuttingOrderPicture(objects, c.order, box, c.travel, 110, 110);
        EXPECT_EQ(picture.travel, c.travel);
        EXPECT_EQ(picture.startMark, (ScreenPoint{105, 80}));
        ASSERT_EQ(picture.objects.size(), c.expected.size());
        for (std::size_t k = 0; k < c.expected.size(); ++k) EXPECT_EQ(picture.objects[k].strokes, c.expected[k]);
    }
    // Arrow heads leave the end backwards at 30 degrees: 5 * cos 30 = 4.33 and
    // 5 * sin 30 = 2.5, truncated toward zero.
    EXPECT_EQ(MakeTravelArrow({0, 0}, {0, 20}), (TravelArrow{{0, 0}, {0, 20}, {-2, 15}, {2, 15}}));
    EXPECT_EQ(MakeTravelArrow({30, 10}, {10, 10}), (TravelArrow{{30, 10}, {10, 10}, {14, 7}, {14, 12}}));
    // The cut lines are those of the preview of the same points.
    EXPECT_EQ(BuildPreview(points, box, PreviewFrame{}, 110, 110).paths, (std::vector<CutLine>{cutA, cutB}));
    EXPECT_TRUE(BuildCuttingOrderPicture({}, nullptr, BoundBox{}, true, 110, 110).objects.empty());
}

}  // namespace
}  // namespace kerfmax
