#pragma once
// Flattening the path list into pen points, and the small operations every
// later geometry step uses on point lists.
#include <cstdint>

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

// One point of a cubic Bezier, polynomial form, truncated toward zero.
Point EvalBezier(Point p0, Point p1, Point p2, Point p3, double t);

// The first node starts the box whatever its kind; then every pen-down counts, a
// pen-up only when a pen-down follows it. An empty list leaves the box untouched.
void ComputeBounds(const PointList& points, BoundBox& box);

PointList CopyPointList(const PointList& points);

// Moves every pen point by (dx, dy); placeholders stay at (0, 0).
void TranslatePoints(PointList& points, std::int32_t dx, std::int32_t dy);

// Moves the pen points so that their box starts at (0, 0); returns the box after
// the move, (0, width, height, 0). An empty list gives an empty box.
BoundBox MoveToOrigin(PointList& points);

}  // namespace kerfmax
