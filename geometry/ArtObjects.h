#pragma once
// Grouping the pen points into art objects: one per pen-up, with the pen-down
// points that follow it.
#include <vector>

#include "geometry/PathTypes.h"

namespace kerfmax {

// Each object owns copies of its nodes, its box (ComputeBounds over them) and its
// closed flag (first point equals last). A lone pen-up is an object of one point.
// Pen-downs before the first pen-up form an object of their own that starts with
// a pen-down: nothing the file asks to cut is dropped from the cutting order.
std::vector<MC_ArtObj_> BuildArtObjects(const PointList& points);

}  // namespace kerfmax
