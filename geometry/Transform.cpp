#include "geometry/Transform.h"

#include <cmath>
#include <limits>
#include <utility>

#include "geometry/ReproducibleMath.h"

namespace kerfmax {

std::int32_t TruncateToInt32(double value)
{
    if (std::isnan(value)) return 0;
    constexpr double kMax = std::numeric_limits<std::int32_t>::max();
    constexpr double kMin = std::numeric_limits<std::int32_t>::min();
    if (value >= kMax) return std::numeric_limits<std::int32_t>::max();
    if (value <= kMin) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

Transform RotationTransform(double theta)
{
    Transform m;
    m.a = ReproducibleCos(theta);
    m.b = ReproducibleSin(theta);
    m.c = -m.b;
    m.d = m.a;
    return m;
}

Transform MirrorTransform()
{
    Transform m;
    m.a = -1.0;
    return m;
}

bool MapPoint(const Transform& m, std::int32_t& x, std::int32_t& y)
{
    const double dx = x;
    const double dy = y;
    const double mappedX = m.a * dx + m.c * dy;
    const double mappedY = m.b * dx + m.d * dy;
    const std::int32_t nx = TruncateToInt32(mappedX);
    const std::int32_t ny = TruncateToInt32(mappedY);
    const bool fits =
        TruncatesIntoInt32(mappedX) && TruncatesIntoInt32(mappedY) && FitsInt32(nx + m.tx) && FitsInt32(ny + m.ty);
    x = WrapToInt32(nx + m.tx);
    y = WrapToInt32(ny + m.ty);
    return fits;
}

bool ApplyTransform(PointList& points, const Transform& m)
{
    bool fits = true;
    for (PointNode& node : points) {
        if (node.kind == KIND_PEN_UP || node.kind == KIND_PEN_DOWN) fits &= MapPoint(m, node.x, node.y);
    }
    return fits;
}

bool TransformBox(BoundBox& box, const Transform& m)
{
    std::int32_t x1 = box.xMin, y1 = box.yMax;
    std::int32_t x2 = box.xMax, y2 = box.yMin;
    const bool fits = MapPoint(m, x1, y1) & MapPoint(m, x2, y2);
    box.xMin = x1;
    box.yMax = y1;
    box.xMax = x2;
    box.yMin = y2;
    if (box.xMin > box.xMax) std::swap(box.xMin, box.xMax);
    if (box.yMin > box.yMax) std::swap(box.yMin, box.yMax);
    return fits;
}

}  // namespace kerfmax
