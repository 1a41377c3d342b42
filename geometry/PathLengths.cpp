#include "geometry/PathLengths.h"

#include <cmath>

namespace kerfmax {

namespace {

double Distance(Point a, Point b)
{
    return std::hypot(static_cast<double>(b.x) - a.x, static_cast<double>(b.y) - a.y);
}

}  // namespace

PathLengths MeasurePaths(const PointList& points, Point start, Point end)
{
    PathLengths lengths;
    Point at = start;
    bool objectOpen = false;
    for (const PointNode& n : points) {
        if (n.kind != KIND_PEN_UP && n.kind != KIND_PEN_DOWN) continue;
        const Point to{n.x, n.y};
        ++lengths.penPoints;
        if (n.kind == KIND_PEN_UP) {
            lengths.travelUnits += Distance(at, to);
            ++lengths.objects;
            objectOpen = true;
        } else {
            lengths.cutUnits += Distance(at, to);
            if (!objectOpen) ++lengths.objects;  // pen-downs before the first pen-up
            objectOpen = true;
        }
        at = to;
    }
    lengths.travelUnits += Distance(at, end);
    return lengths;
}

}  // namespace kerfmax
