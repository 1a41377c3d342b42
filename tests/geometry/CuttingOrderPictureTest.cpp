// The cutting-order pictures: arrows with their heads, the start mark, the
// objects in the order asked for, and the same fit as the preview.
#include <gtest/gtest.h>

#include <variant>

#include "geometry/ArtObjects.h"
#include "geometry/CuttingOrderPicture.h"

namespace kerfmax {
namespace {

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
