#include "geometry/PointList.h"

#include <algorithm>
#include <cmath>

#include "geometry/Transform.h"
#include "platform/LargePages.h"

namespace kerfmax {
namespace {

bool IsPenRecord(const PathRecord& record)
{
    return record.kind == KIND_PEN_UP || record.kind == KIND_PEN_DOWN;
}

// Number of segments a Bezier is cut into: the square root of its chord, so that
// long curves get more points but not proportionally more.
std::int64_t BezierSegments(Point p0, Point p3)
{
    const double dx = static_cast<double>(static_cast<std::int64_t>(p3.x) - p0.x);
    const double dy = static_cast<double>(static_cast<std::int64_t>(p3.y) - p0.y);
    const double chord = std::sqrt(dx * dx + dy * dy);
    return static_cast<std::int64_t>(std::sqrt(chord));
}

double EvalAxis(std::int64_t v0, std::int64_t v1, std::int64_t v2, std::int64_t v3, double t)
{
    // 64-bit coefficients: with 32-bit coordinates far apart, 3*(v1-v0) would overflow.
    const std::int64_t c = 3 * (v1 - v0);
    const std::int64_t b = 3 * (v2 - v1) - c;
    const std::int64_t a = v3 - v0 - c - b;
    return ((static_cast<double>(a) * t + static_cast<double>(b)) * t + static_cast<double>(c)) * t +
           static_cast<double>(v0);
}

}  // namespace

Point EvalBezier(Point p0, Point p1, Point p2, Point p3, double t)
{
    return Point{TruncateToInt32(EvalAxis(p0.x, p1.x, p2.x, p3.x, t)),
                 TruncateToInt32(EvalAxis(p0.y, p1.y, p2.y, p3.y, t))};
}

PathFlattener::PathFlattener()
{
    m_points.push_back(PointNode{});  // the node being filled is always the last one
}

void PathFlattener::ExpectBytes(std::uint64_t bytes)
{
    // The shortest coordinate record takes 4 bytes ("PUa;"), so pen records never
    // outgrow this and the list is not moved while it fills; pages never touched
    // cost address space only. Curves may still add more.
    constexpr std::uint64_t kShortestRecord = 4;
    const std::uint64_t nodes = bytes / kShortestRecord + 2;
    if (nodes >= m_points.max_size()) return;
    m_points.reserve(static_cast<std::size_t>(nodes));
    PreferLargePages(m_points.data(), m_points.capacity() * sizeof(PointNode));
}

void PathFlattener::Receive(const PathRecord& record)
{
    if (record.kind == KIND_NONE) {
        m_nodePending = false;  // a pen record before a placeholder record gets no node after it
        return;
    }
    ++m_records;
    if (m_nodePending) m_points.push_back(PointNode{});
    m_nodePending = false;
    if (IsPenRecord(record)) {
        m_current = Point{record.points[0], record.points[1]};
        m_points.back() = PointNode{record.kind, m_current.x, m_current.y};
        m_nodePending = true;
        return;
    }
    const Point p0 = m_current;
    const Point p1{record.points[0], record.points[1]};
    const Point p2{record.points[2], record.points[3]};
    const Point p3{record.points[4], record.points[5]};
    m_current = p3;
    const std::int64_t n = BezierSegments(p0, p3);
    if (n <= 0) return;
    const double step = 1.0 / static_cast<double>(n);
    // Repeated addition with the 1.0001 tolerance decides the point count; keep it
    // exactly so (long curves get an extra point or two just past the end, which
    // can leave the range the control points span).
    for (double t = 0.0; t <= 1.0001; t += step) {
        const double x = EvalAxis(p0.x, p1.x, p2.x, p3.x, t);
        const double y = EvalAxis(p0.y, p1.y, p2.y, p3.y, t);
        m_pointsFit = m_pointsFit && TruncatesIntoInt32(x) && TruncatesIntoInt32(y);
        m_points.back() = PointNode{KIND_PEN_DOWN, TruncateToInt32(x), TruncateToInt32(y)};
        m_points.push_back(PointNode{});
    }
}

PointList FlattenPaths(const PathList& paths)
{
    if (paths.empty()) return {};
    PathFlattener flattener;
    flattener.Points().reserve(paths.size() + 1);
    for (const PathRecord& record : paths) flattener.Receive(record);
    return std::move(flattener.Points());
}

void ComputeBounds(PointSpan points, BoundBox& box)
{
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

PointList CopyPointList(const PointList& points)
{
    return points;
}

bool TranslatePoints(PointList& points, std::int64_t dx, std::int64_t dy)
{
    // Same result as the identity transform with (dx, dy), without the doubles.
    bool fits = true;
    for (PointNode& node : points) {
        if (node.kind != KIND_PEN_UP && node.kind != KIND_PEN_DOWN) continue;
        fits = fits && FitsInt32(node.x + dx) && FitsInt32(node.y + dy);
        node.x = WrapToInt32(node.x + dx);
        node.y = WrapToInt32(node.y + dy);
    }
    return fits;
}

BoundBox MoveToOrigin(PointList& points)
{
    BoundBox box;
    if (points.empty()) return box;
    ComputeBounds(points, box);
    TranslatePoints(points, WrappingNegate(box.xMin), WrappingNegate(box.yMin));
    return BoundBox{0, WrappingAdd(box.xMax, WrappingNegate(box.xMin)), WrappingAdd(box.yMax, WrappingNegate(box.yMin)),
                    0};
}

}  // namespace kerfmax
