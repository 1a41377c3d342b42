#pragma once
// The box around a set of art objects, as the job's box would be.
#include <algorithm>
#include <vector>

#include "geometry/PathTypes.h"

namespace kerfmax::test {

inline BoundBox JobBoxOf(const std::vector<MC_ArtObj_>& objects)
{
    BoundBox box{objects[0].xMin, objects[0].xMax, objects[0].yMax, objects[0].yMin};
    for (const auto& o : objects)
        box = {std::min(box.xMin, o.xMin), std::max(box.xMax, o.xMax), std::max(box.yMax, o.yMax),
               std::min(box.yMin, o.yMin)};
    return box;
}

}  // namespace kerfmax::test
