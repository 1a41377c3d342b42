#include "geometry/CuttingOrderPicture.h"

#include <cmath>
#include <cstdlib>

namespace kerfmax {

namespace {

ScreenPoint HeadEnd(ScreenPoint to, double angle)
{
    return {static_cast<int>(std::trunc(to.x - kArrowHeadLength * std::cos(angle))),
            static_cast<int>(std::trunc(to.y - kArrowHeadLength * std::sin(angle)))};
}

void AddObject(const MC_ArtObj_& object, const PreviewMapping& map, std::int64_t flip, bool travel,
               ScreenPoint& position, std::vector<OrderObjectPicture>& out)
{
    OrderObjectPicture picture;
    CutLine* open = nullptr;
    for (const PointNode& n : object.points) {
        if (n.kind != KIND_PEN_UP && n.kind != KIND_PEN_DOWN) continue;
        const ScreenPoint at = map.Map(n.x, flip - n.y);
        if (n.kind == KIND_PEN_UP) {
            open = nullptr;
            if (travel) picture.strokes.emplace_back(MakeTravelArrow(position, at));
        } else {
            if (open == nullptr) {
                open = &std::get<CutLine>(picture.strokes.emplace_back(CutLine{position}));
            }
            open->push_back(at);
        }
        position = at;
    }
    out.push_back(std::move(picture));
}

}  // namespace

TravelArrow MakeTravelArrow(ScreenPoint from, ScreenPoint to)
{
    const double angle = std::atan2(static_cast<double>(to.y - from.y), static_cast<double>(to.x - from.x));
    return {from, to, HeadEnd(to, angle - kArrowHeadAngle), HeadEnd(to, angle + kArrowHeadAngle)};
}

CuttingOrderPicture BuildCuttingOrderPicture(const std::vector<MC_ArtObj_>& objects, const ObjectOrder* order,
                                             const BoundBox& box, bool travel, int width, int height)
{
    CuttingOrderPicture picture;
    picture.travel = travel;
    const PreviewMapping map = FitPreview(box, PreviewFrame{}, width, height);
    // Screen y grows downwards: the job is turned upside down within its height.
    const std::int64_t flip = std::llabs(static_cast<std::int64_t>(box.yMin) - box.yMax);
    picture.startMark = map.Map(box.xMax, flip - box.yMin);
    ScreenPoint position = picture.startMark;
    if (order == nullptr) {
        picture.objects.reserve(objects.size());
        for (const MC_ArtObj_& object : objects) AddObject(object, map, flip, travel, position, picture.objects);
    } else {
        picture.objects.reserve(order->size());
        for (std::size_t index : *order) {
            if (index < objects.size()) AddObject(objects[index], map, flip, travel, position, picture.objects);
        }
    }
    return picture;
}

}  // namespace kerfmax
