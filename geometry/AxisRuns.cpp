#include "geometry/AxisRuns.h"

namespace kerfmax {

void SimplifyAxisRuns(PointList& points)
{
    PointList simplified;
    simplified.reserve(points.size() + 1);
    AxisRunWalk walk([&simplified](const PointNode& n) { simplified.push_back(n); });
    for (std::size_t i = 0; i < points.size(); ++i)
        walk.Take(points[i], i + 1 < points.size() ? &points[i + 1] : nullptr);
    walk.Finish(points.empty() ? PointNode{} : points.back());
    points = std::move(simplified);
}

}  // namespace kerfmax
