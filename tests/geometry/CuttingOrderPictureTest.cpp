// The cutting-order pictures: arrows with their heads, the start mark, the
// objects in the order asked for, and the same fit as the preview.
#include <gtest/gtest.h>

#include <variant>

#include "geometry/ArtObjects.h"
#include "geometry/CuttingOrderPicture.h"

namespace kerfmax {
namespace {

using Strokes = std::vector<std::variant<TravelArrow, CutLine>>;

TEST(CuttingOrderPicture, ArrowHeadsLeaveTheEndBackwardsAtThirtyDegrees)
{
    // 5 * cos 30 = 4.33 and 5 * sin 30 = 2.5, truncated toward zero.
    const TravelArrow right = MakeTravelArrow({0, 0}, {20, 0});
    EXPECT_EQ(right.headA, (ScreenPoint{15, 2}));
    EXPECT_EQ(right.headB, (ScreenPoint{15, -2}));
    const TravelArrow down = MakeTravelArrow({0, 0}, {0, 20});
    EXPECT_EQ(down.headA, (ScreenPoint{-2, 15}));
    EXPECT_EQ(down.headB, (ScreenPoint{2, 15}));
    const TravelArrow left = MakeTravelArrow({30, 10}, {10, 10});
    EXPECT_EQ(left.headA, (ScreenPoint{14, 7}));
    EXPECT_EQ(left.headB, (ScreenPoint{14, 12}));
    EXPECT_EQ(left.from, (ScreenPoint{30, 10}));
    EXPECT_EQ(left.to, (ScreenPoint{10, 10}));
}

// A job 1000 x 500 units in a 110 x 110 area: scale 0.1, origin (5, 30).
// Object A: an L from the top-left corner; object B: a short line at the bottom right.
const PointList kPoints = {{KIND_PEN_UP, 0, 500},
                           {KIND_PEN_DOWN, 200, 500},
                           {KIND_PEN_DOWN, 200, 300},
                           {KIND_PEN_UP, 800, 100},
                           {KIND_PEN_DOWN, 1000, 100}};
const BoundBox kBox{.xMin = 0, .xMax = 1000, .yMax = 500, .yMin = 0};
const CutLine kCutA = {{5, 30}, {25, 30}, {25, 50}};
const CutLine kCutB = {{85, 70}, {105, 70}};

TEST(CuttingOrderPicture, FileOrderStartsAtTheBottomRightCorner)
{
    const std::vector<MC_ArtObj_> objects = BuildArtObjects(kPoints);
    const CuttingOrderPicture picture = BuildCuttingOrderPicture(objects, nullptr, kBox, true, 110, 110);
    EXPECT_TRUE(picture.travel);
    EXPECT_EQ(picture.startMark, (ScreenPoint{105, 80}));
    ASSERT_EQ(picture.objects.size(), 2u);
    const Strokes expectA = {MakeTravelArrow({105, 80}, {5, 30}), kCutA};
    const Strokes expectB = {MakeTravelArrow({25, 50}, {85, 70}), kCutB};
    EXPECT_EQ(picture.objects[0].strokes, expectA);
    EXPECT_EQ(picture.objects[1].strokes, expectB);

    // The cut lines are those of the preview of the same points.
    const PreviewPicture preview = BuildPreview(kPoints, kBox, PreviewFrame{}, 110, 110);
    ASSERT_EQ(preview.paths.size(), 2u);
    EXPECT_EQ(preview.paths[0], kCutA);
    EXPECT_EQ(preview.paths[1], kCutB);
}

TEST(CuttingOrderPicture, FollowsTheGivenOrderAndDropsArrowsWithoutTravel)
{
    const std::vector<MC_ArtObj_> objects = BuildArtObjects(kPoints);
    const ObjectOrder order = {1, 7, 0};  // 7 is no object and is skipped
    const CuttingOrderPicture turned = BuildCuttingOrderPicture(objects, &order, kBox, true, 110, 110);
    ASSERT_EQ(turned.objects.size(), 2u);
    const Strokes expectB = {MakeTravelArrow({105, 80}, {85, 70}), kCutB};
    const Strokes expectA = {MakeTravelArrow({105, 70}, {5, 30}), kCutA};
    EXPECT_EQ(turned.objects[0].strokes, expectB);
    EXPECT_EQ(turned.objects[1].strokes, expectA);

    const CuttingOrderPicture still = BuildCuttingOrderPicture(objects, &order, kBox, false, 110, 110);
    EXPECT_FALSE(still.travel);
    ASSERT_EQ(still.objects.size(), 2u);
    EXPECT_EQ(still.objects[0].strokes, Strokes{kCutB});
    EXPECT_EQ(still.objects[1].strokes, Strokes{kCutA});

    EXPECT_TRUE(BuildCuttingOrderPicture({}, nullptr, BoundBox{}, true, 110, 110).objects.empty());
}

}  // namespace
}  // namespace kerfmax
