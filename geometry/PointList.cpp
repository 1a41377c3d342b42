#include "geometry/PointList.h"

#include <algorithm>
#include <cmath>

#include "geometry/Transform.h"

namespace kerfmax {
namespace {

bool IsPenRecord(const PathRecord& record) {
    return record.kind == KIND_PEN_UP || record.kind == KIND_PEN_DOWN;
}

// Number of segments a Bezier is cut into: the square root of its chord, so that
// long curves get more points but not proportionally more.
std::int64_t BezierSegments(Point p0, Point p3) {
    const double dx = static_cast<double>(static_cast<std::int64_t>(p3.x) - p0.x);
    const double dy = static_cast<double>(static_cast<std::int64_t>(p3.y) - p0.y);
    const double chord = std::sqrt(dx * dx + dy * dy);
    return static_cast<std::int64_t>(std::sqrt(chord));
}

void AppendBezierPoints(PointList& out, Point p0, Point p1, Point p2, Point p3) {
    const std::int64_t n = BezierSegments(p0, p3);
    if (n <= 0) return;
    const double step = 1.0 / static_cast<double>(n);
    // Repeated addition with the 1.0001 tolerance decides the point count; keep it
    // exactly so (long curves get an extra point or two just past the end).
    for (double t = 0.0; t <= 1.0001; t += step) {
        const Point p = EvalBezier(p0, p1, p2, p3, t);
        out.back() = PointNode{KIND_PEN_DOWN, p.x, p.y};
        out.push_back(PointNode{});
    }
}

double EvalAxis(std::int64_t v0, std::int64_t v1, std::int64_t v2, std::int64_t v3, double t) {
    // 64-bit coefficients: with 32-bit coordinates far apart, 3*(v1-v0) would overflow.
    const std::int64_t c = 3 * (v1 - v0);
    const std::int64_t b = 3 * (v2 - v1) - c;
    const std::int64_t a = v3 - v0 - c - b;
    return ((static_cast<double>(a) * t + static_cast<double>(b)) * t + static_cast<double>(c)) * t +
           static_cast<double>(v0);
}

}  // namespace

Point EvalBezier(Point p0, Point p1, Point p2, Point p3, double t) {
    return Point{TruncateToInt32(EvalAxis(p0.x, p1.x, p2.x, p3.x, t)),
                 TruncateToInt32(EvalAxis(p0.y, p1.y, p2.y, p3.y, t))};
}

PointList FlattenPaths(const PathList& paths) {
    PointList out;
    if (paths.empty()) return out;
    out.reserve(paths.size() + 1);
    out.push_back(PointNode{});  // the node being filled is always the last one
    // A Bezier before any pen record starts from (0, 0): the file gives it no start.
    Point current;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const PathRecord& record = paths[i];
        if (IsPenRecord(record)) {
            current = Point{record.points[0], record.points[1]};
            out.back() = PointNode{record.kind, current.x, current.y};
            const bool successor = i + 1 < paths.size() && paths[i + 1].kind != KIND_NONE;
            if (successor) out.push_back(PointNode{});
        } else if (record.kind == KIND_BEZIER) {
            const Point p1{record.points[0], record.points[1]};
            const Point p2{record.points[2], record.points[3]};
            const Point p3{record.points[4], record.points[5]};
            AppendBezierPoints(out, current, p1, p2, p3);
            current = p3;
        }
    }
    return out;
}

void ComputeBounds(const PointList& points, BoundBox& box) {
    if (points.empty()) return;
    BoundBox b{points[0].x, points[0].x, points[0].y, points[0].y};
    for (std::size_t i = 0; i < points.size(); ++i) {
        const PointNode& node = points[i];
        bool counts = node.kind == KIND_PEN_DOWN;
        if (node.kind == KIND_PEN_UP) counts = i + 1 < points.size() && points[i + 1].kind == KIND_PEN_DOWN;
        if (!counts) continue;
        b.xMin = std::min(b.xMin, node.x);
        b.xMax = std::max(b.xMax, node.x);
        b.yMin = std::min(b.yMin, node.y);
        b.yMax = std::max(b.yMax, node.y);
    }
    box = b;
}

PointList CopyPointList(const PointList& points) { return points; }

void TranslatePoints(PointList& points, std::int32_t dx, std::int32_t dy) {
    // Same result as the identity transform with (dx, dy), without the doubles.
    for (PointNode& node : points) {
        if (node.kind != KIND_PEN_UP && node.kind != KIND_PEN_DOWN) continue;
        node.x = WrappingAdd(node.x, dx);
        node.y = WrappingAdd(node.y, dy);
    }
}

BoundBox MoveToOrigin(PointList& points) {
    BoundBox box;
    if (points.empty()) return box;
    ComputeBounds(points, box);
    TranslatePoints(points, WrappingNegate(box.xMin), WrappingNegate(box.yMin));
    return BoundBox{0, WrappingAdd(box.xMax, WrappingNegate(box.xMin)), WrappingAdd(box.yMax, WrappingNegate(box.yMin)), 0};
}

}  // namespace kerfmax
