#pragma once
// Flattening the path list into pen points, and the small operations every
// later geometry step uses on point lists.
#include <cstddef>
#include <cstdint>

#include "geometry/JobFile.h"
#include "geometry/PathTypes.h"

namespace kerfmax {

struct Point {
    std::int32_t x = 0;
    std::int32_t y = 0;
    bool operator==(const Point&) const = default;
};

// Pen records give one node each; a Bezier gives truncate(sqrt(chord)) + 1 pen-down
// nodes starting at its start point (none when the chord is under one unit).
// Unfilled placeholder nodes stay where the program has always left them: the
// output reads them. Nothing when the path list is empty.
PointList FlattenPaths(const PathList& paths);

// The same flattening on records as they are read, so that a job is never held
// as records: after the records of a list, Points() is what FlattenPaths gives
// for that list.
class PathFlattener final : public RecordReceiver {
public:
    PathFlattener();
    void ExpectBytes(std::uint64_t bytes) override;
    void Receive(const PathRecord& record) override;

    PointList& Points() { return m_points; }
    // Coordinate records received (placeholders not counted).
    std::size_t RecordCount() const { return m_records; }
    // False once a curve point fell outside the signed 32-bit range (it is clamped).
    bool PointsFit() const { return m_pointsFit; }

private:
    PointList m_points;
    Point m_current;  // a curve before any pen record starts at (0, 0)
    bool m_nodePending = false;  // a pen record's node is kept until a record follows it
    bool m_pointsFit = true;
    std::size_t m_records = 0;
};

// One point of a cubic Bezier, polynomial form, truncated toward zero.
Point EvalBezier(Point p0, Point p1, Point p2, Point p3, double t);

// The first node starts the box whatever its kind; then every pen-down counts, a
// pen-up only when a pen-down follows it. An empty list leaves the box untouched.
void ComputeBounds(PointSpan points, BoundBox& box);

PointList CopyPointList(const PointList& points);

// Moves every pen point by (dx, dy); placeholders stay at (0, 0). False when a
// sum left the signed 32-bit range (it wraps).
bool TranslatePoints(PointList& points, std::int64_t dx, std::int64_t dy);

// Moves the pen points so that their box starts at (0, 0); returns the box after
// the move, (0, width, height, 0). An empty list gives an empty box.
BoundBox MoveToOrigin(PointList& points);

}  // namespace kerfmax
