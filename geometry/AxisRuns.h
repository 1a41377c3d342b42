#pragma once
// Drops the inner points of horizontal and vertical runs before output: along an
// axis-parallel line only the run's end point is cut, and a point equal to the
// one written just before it is dropped.
#include "geometry/PathTypes.h"

namespace kerfmax {

// Replaces the list by its simplified copy. The result always ends with one
// spare node: a placeholder, or the pending end point when it was not yet
// written. Input placeholders are skipped.
void SimplifyAxisRuns(PointList& points);

}  // namespace kerfmax
