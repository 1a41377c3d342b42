#pragma once
// Where the objects lie in an assembled command stream, so that a send that
// stopped part way can be sent again from one object on with the very bytes
// the whole stream has (the same compensated points).
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

namespace kerfmax {

// An output object that no art object stands for.
inline constexpr std::size_t kNoArtObject = std::numeric_limits<std::size_t>::max();

// Objects are those of the stream in the order it cuts them: each begins with
// the pen-up that moves to it (pen-downs before the first pen-up form an object
// of their own). The tail is the frame, the final pen-up, the trailer and the
// end filler.
struct OutputLayout {
    std::uint64_t headerBytes = 0;  // the dialect's init command
    std::vector<std::uint64_t> objectStarts;  // ascending; all within [headerBytes, tailStart]
    std::vector<std::size_t> artObjects;  // per object: its position in the job's art objects, or kNoArtObject
    std::uint64_t tailStart = 0;
    std::uint64_t totalBytes = 0;

    std::size_t ObjectCount() const { return objectStarts.size(); }
    // Where object k (numbered from 1) begins; k = ObjectCount() + 1 is the tail.
    std::uint64_t StartOf(std::size_t k) const { return k <= objectStarts.size() ? objectStarts[k - 1] : tailStart; }
};

}  // namespace kerfmax
