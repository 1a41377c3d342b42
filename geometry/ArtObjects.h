#pragma once
// Grouping the pen points into art objects: one per pen-up, with the pen-down
// points that follow it.
#include <mutex>
#include <vector>

#include "geometry/PathTypes.h"

namespace kerfmax {

// Each object owns copies of its nodes, its box (ComputeBounds over them) and its
// closed flag (first point equals last). A lone pen-up is an object of one point.
// Pen-downs before the first pen-up form an object of their own that starts with
// a pen-down: nothing the file asks to cut is dropped from the cutting order.
std::vector<MC_ArtObj_> BuildArtObjects(const PointList& points);

// The art objects of a point list, built when first asked for: a job cut in file
// order never needs them. Several threads may ask at once (a send reads the job
// the window draws); Clear() is for the job's owner while nobody reads.
class ArtObjectCache {
public:
    ArtObjectCache() = default;
    ArtObjectCache(const ArtObjectCache& other);
    ArtObjectCache& operator=(const ArtObjectCache& other);

    const std::vector<MC_ArtObj_>& Get(const PointList& points) const;
    void Clear();

private:
    mutable std::mutex m_lock;
    mutable bool m_built = false;
    mutable std::vector<MC_ArtObj_> m_objects;
};

}  // namespace kerfmax
