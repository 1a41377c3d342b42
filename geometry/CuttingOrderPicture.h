#pragma once
// What the cutting-order pictures show, in pixels: the job fitted into the
// picture exactly as the preview fits it (no frame), each art object's cut
// lines, and, with travel, a red arrow for every pen-up move and a green mark
// where cutting starts. Painting it is the window's part.
#include <cstddef>
#include <variant>
#include <vector>

#include "geometry/PathTypes.h"
#include "geometry/PreviewGeometry.h"

namespace kerfmax {

inline constexpr int kStartMarkRadius = 5;  // pixels
inline constexpr int kArrowHeadLength = 5;  // pixels, each of the two head strokes
inline constexpr double kArrowHeadAngle = 30 * 3.1415926 / 180;

// A travel move: the line from `from` to `to` and the two head strokes from
// `to` back to headA and headB, at the head angle either side of the line.
struct TravelArrow {
    ScreenPoint from;
    ScreenPoint to;
    ScreenPoint headA;
    ScreenPoint headB;
    bool operator==(const TravelArrow&) const = default;
};

TravelArrow MakeTravelArrow(ScreenPoint from, ScreenPoint to);

// One cut polyline: from the drawing position through consecutive pen-down points.
using CutLine = std::vector<ScreenPoint>;

// An object's strokes in the order its points give them.
struct OrderObjectPicture {
    std::vector<std::variant<TravelArrow, CutLine>> strokes;
};

struct CuttingOrderPicture {
    bool travel = false;  // arrows and the start mark are part of the picture
    ScreenPoint startMark;  // centre of the start mark: the job's bottom-right corner
    std::vector<OrderObjectPicture> objects;  // in cutting order
};

// order: positions into objects in cutting order; nullptr is the file order.
// Positions outside objects are skipped. Drawing starts at the start mark, the
// cutter's origin, so the first travel arrow comes from there.
CuttingOrderPicture BuildCuttingOrderPicture(const std::vector<MC_ArtObj_>& objects, const ObjectOrder* order,
                                             const BoundBox& box, bool travel, int width, int height);

}  // namespace kerfmax
