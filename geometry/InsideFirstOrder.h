#pragma once
// The "Inside First" cutting order: every object is cut after every object that
// lies inside it (the counter of a letter before the letter, the inner ring
// before the outer), so nothing is cut from a piece that has already come
// loose. Within that rule the job is worked through in the bands of the
// "Reduce Feed" order, which keeps the media still.
#include <vector>

#include "geometry/PathTypes.h"
#include "geometry/PolygonContainment.h"

namespace kerfmax {

// Positions into objects, in cutting order; empty when there are no objects.
// A job in which nothing lies inside anything is cut in the "Reduce Feed" order.
// A job nested beyond the search's budget (see ContainmentBudget) is cut
// smallest box first instead.
ObjectOrder OrderInsideFirst(const std::vector<MC_ArtObj_>& objects, const BoundBox& jobBox,
                             const ContainmentBudget& budget = {});

// The given order with every container held back until the last object inside
// it has been cut; it is cut right then. Should the relation go round in a
// circle (outlines that hold each other's points by turns), the earliest held
// object of the circle is let go, so the result is always a full order.
ObjectOrder HoldBackContainers(const ObjectOrder& order, const InsideRelation& inside);

}  // namespace kerfmax
