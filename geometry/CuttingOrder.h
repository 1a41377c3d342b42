#pragma once
// The "Reduce Feed" cutting order: the job is worked through in narrow bands
// across its y direction, nearest object first, so the media moves back and
// forth as little as possible.
#include <vector>

#include "geometry/PathTypes.h"

namespace kerfmax {

// Objects whose tops lie within this many plotter units (5 mm) above a band
// leader's top are cut in that leader's band.
inline constexpr std::int64_t kBandHeight = 200;

// Positions into objects, in cutting order; empty when there are no objects.
// Ties always go to the lowest position, so the order is fully determined.
ObjectOrder OrderReduceFeed(const std::vector<MC_ArtObj_>& objects, const BoundBox& jobBox);

}  // namespace kerfmax
