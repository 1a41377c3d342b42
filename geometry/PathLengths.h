#pragma once
// How far the knife travels over a job: the length it cuts (pen-down moves)
// and the length it moves raised (pen-up moves), in plotter units, with the
// number of objects it cuts.
#include <cstddef>

#include "geometry/PathTypes.h"
#include "geometry/PointList.h"

namespace kerfmax {

struct PathLengths {
    double cutUnits = 0;
    double travelUnits = 0;
    std::size_t objects = 0;  // as the art objects count them: one per pen-up, and leading pen-downs
    std::size_t penPoints = 0;
};

// Walks the pen from start through the points in their order and back to end
// (where the cutter parks after the job); placeholders move nothing.
PathLengths MeasurePaths(const PointList& points, Point start, Point end);

}  // namespace kerfmax
