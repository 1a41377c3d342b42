#pragma once
// The cutting-order setting (CutOrder) and the object order each value asks for.
#include <vector>

#include "geometry/PathTypes.h"

namespace kerfmax {

inline constexpr int kCutOrderFile = 0;  // "Default Order": as the job file lists the objects
inline constexpr int kCutOrderReduceFeed = 1;  // "Reduce Feed"
inline constexpr int kCutOrderInsideFirst = 2;  // "Inside First"

// True for the settings that reorder the art objects; any other value cuts in
// file order, as stored files of older versions may hold anything.
bool ReordersObjects(int cutOrder);

// The order the setting asks for; empty for file order (and for no objects).
ObjectOrder ComputeObjectOrder(int cutOrder, const std::vector<MC_ArtObj_>& objects, const BoundBox& jobBox);

}  // namespace kerfmax
