#pragma once
// Grouping the pen points into art objects: one per pen-up, with the pen-down
// points that follow it.
#include <mutex>
#include <vector>

#include "geometry/PathTypes.h"

namespace kerfmax {

// Each object views its nodes in points (which must outlive the objects and stay
// unchanged), with its box (ComputeBounds over them) and its closed flag (first
// point equals last). A lone pen-up is an object of one point. Pen-downs before
// the first pen-up form an object of their own that starts with a pen-down:
// nothing the file asks to cut is dropped from the cutting order.
// A placeholder between pen nodes (a loaded job never has one: its placeholders
// come last) cannot be left out of a view: the pen nodes are then gathered into
// compacted and the objects view that instead.
std::vector<MC_ArtObj_> BuildArtObjects(const PointList& points, PointList& compacted);
// The same for a list whose placeholders, if any, all come after its last pen
// node; any other list throws std::invalid_argument.
std::vector<MC_ArtObj_> BuildArtObjects(const PointList& points);
// The objects would view a list that is about to go away.
std::vector<MC_ArtObj_> BuildArtObjects(PointList&& points) = delete;

// The art objects of a point list, built when first asked for: a job cut in file
// order never needs them. Several threads may ask at once (a send reads the job
// the window draws); Clear() is for the job's owner while nobody reads, and
// must follow every change of the list.
class ArtObjectCache {
public:
    ArtObjectCache() = default;
    // A copy starts empty: the objects view the list of the job they were built for.
    ArtObjectCache(const ArtObjectCache&) {}
    ArtObjectCache& operator=(const ArtObjectCache& other);

    const std::vector<MC_ArtObj_>& Get(const PointList& points) const;
    void Clear();

private:
    mutable std::mutex m_lock;
    mutable bool m_built = false;
    mutable std::vector<MC_ArtObj_> m_objects;
    mutable PointList m_compacted;
};

}  // namespace kerfmax
