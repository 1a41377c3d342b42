#pragma once
// The job in memory: records as read from the job file, flattened pen points,
// boxes and art objects. Coordinates are plotter units, 40 per millimetre, y up.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace kerfmax {

// Path kinds shared by records and points.
enum : std::int32_t {
    KIND_NONE = -1,     // placeholder: allocated ahead and not (yet) filled
    KIND_PEN_UP = 0,
    KIND_PEN_DOWN = 1,
    KIND_BEZIER = 2,    // records only
};

// One record of the job file. Pen records use points[0..1]; a Bezier uses all six
// (first control point, second control point, end point). A placeholder has kind
// KIND_NONE and all coordinates 0.
struct PathRecord {
    std::int32_t kind = KIND_NONE;
    std::int32_t points[6] = {0, 0, 0, 0, 0, 0};
};
using PathList = std::vector<PathRecord>;

// One pen point after flattening. Placeholders keep (0, 0): later steps read
// them as such.
struct PointNode {
    std::int32_t kind = KIND_NONE;
    std::int32_t x = 0;
    std::int32_t y = 0;
};
using PointList = std::vector<PointNode>;
// Consecutive nodes of a point list, not owned.
using PointSpan = std::span<const PointNode>;

// Stored in this order on purpose: the third field is the top, the fourth the bottom.
struct BoundBox {
    std::int32_t xMin = 0;
    std::int32_t xMax = 0;
    std::int32_t yMax = 0;
    std::int32_t yMin = 0;
    bool operator==(const BoundBox&) const = default;
};

// One art object: a pen-up point and the pen-down points that follow it.
struct MC_ArtObj_ {
    std::int32_t xMin = 0;
    std::int32_t xMax = 0;
    std::int32_t yMax = 0;
    std::int32_t yMin = 0;
    std::int32_t closed = 0;   // 1 when the first point equals the last
    // The object's nodes where they lie in the job's point list: a large job
    // is never held twice. Valid while that list is unchanged.
    PointSpan points;
};

// A cutting order: positions into the art-object array, in cutting order.
using ObjectOrder = std::vector<std::size_t>;

}  // namespace kerfmax
