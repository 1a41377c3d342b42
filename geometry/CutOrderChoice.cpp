#include "geometry/CutOrderChoice.h"

#include "geometry/CuttingOrder.h"
#include "geometry/InsideFirstOrder.h"

namespace kerfmax {

bool ReordersObjects(int cutOrder)
{
    return cutOrder == kCutOrderReduceFeed || cutOrder == kCutOrderInsideFirst;
}

ObjectOrder ComputeObjectOrder(int cutOrder, const std::vector<MC_ArtObj_>& objects, const BoundBox& jobBox)
{
    switch (cutOrder) {
    case kCutOrderReduceFeed: return OrderReduceFeed(objects, jobBox);
    case kCutOrderInsideFirst: return OrderInsideFirst(objects, jobBox);
    default: return {};
    }
}

}  // namespace kerfmax
