#pragma once
// Which art objects lie inside which: decided exactly on the integer points,
// so the answer never depends on rounding.
//
// Object B lies inside object A when:
//  - A is closed and its points do not all lie on one line (a lone point or a
//    line cut there and back encloses nothing; open paths contain nothing);
//  - B's box lies within A's box and every point of B (its pen-up point
//    included) lies inside A's outline or on it. Points on the outline count as
//    inside: a counter that touches its letter's outline still falls out with
//    the letter, so it must be cut first. "Inside" is the nonzero winding rule,
//    so the middle of a star drawn in one stroke is inside it;
//  - when A also lies inside B by these rules (the same outline cut twice, or
//    two outlines that differ only along a shared edge), only the one earlier
//    in the job counts as inside the other.
#include <cstdint>
#include <vector>

#include "geometry/PathTypes.h"

namespace kerfmax {

// For each object, the objects it lies inside (its containers), as one array
// sliced by offsets: object i's containers are
// containers[offsets[i]] .. containers[offsets[i + 1] - 1], in increasing position.
struct InsideRelation {
    std::vector<std::uint32_t> offsets;  // one more than there are objects
    std::vector<std::uint32_t> containers;
    // False when the search stopped at its budget; offsets and containers are
    // then empty.
    bool complete = true;

    std::size_t ObjectCount() const { return offsets.empty() ? 0 : offsets.size() - 1; }
};

// Whether the object's outline can hold anything (the first rule above).
bool CanContain(const MC_ArtObj_& object);

// Whether a point lies inside the closed object's outline or on it.
bool OutlineHolds(const MC_ArtObj_& container, std::int32_t x, std::int32_t y);

// How much one search may do. Nesting thousands deep (or thousands of equal
// boxes piled on one spot) makes the work grow with the square of the count;
// past these limits the search gives up rather than take minutes and gigabytes.
struct ContainmentBudget {
    std::uint64_t boxesLooked = 256'000'000;  // boxes of possible containers looked at
    std::uint64_t pointTests = 64'000'000;  // points of inner objects tested against outlines
    std::uint64_t pairs = 8'000'000;  // (inner, container) pairs found
};

// Every pair at once. Only containers whose boxes hold an object's box are
// tested, found through an index on the boxes, and large outlines get an index
// of their edges by height, so a job of many small shapes costs little more
// than reading it.
InsideRelation FindContainment(const std::vector<MC_ArtObj_>& objects, const ContainmentBudget& budget = {});

}  // namespace kerfmax
