// Any bytes as a job file: reading, flattening, box, art objects, placement and
// the "Reduce Feed" order must neither crash nor read out of bounds nor hang.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "geometry/Job.h"
#include "geometry/JobFile.h"

namespace {

// Inputs are short, but one Bezier across the whole coordinate range flattens to
// some 78000 points; a few dozen of them would only make the run slow.
constexpr std::size_t kMaxInput = 4096;
constexpr double kMaxPoints = 3e5;

double FlattenedPointEstimate(const kerfmax::PathList& paths) {
    double total = 0;
    double x = 0, y = 0;
    for (const kerfmax::PathRecord& r : paths) {
        if (r.kind == kerfmax::KIND_BEZIER) {
            const double dx = r.points[4] - x, dy = r.points[5] - y;
            total += std::sqrt(std::sqrt(dx * dx + dy * dy)) + 2;
            x = r.points[4];
            y = r.points[5];
        } else if (r.kind != kerfmax::KIND_NONE) {
            total += 1;
            x = r.points[0];
            y = r.points[1];
        }
    }
    return total;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > kMaxInput) return 0;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (FlattenedPointEstimate(kerfmax::ParseJobText(text)) > kMaxPoints) return 0;

    kerfmax::Job job;
    job.LoadJobText(text);
    if (!job.HasJob()) return 0;
    job.OrderedObjects();
    // The last input byte picks a placement, so every combination gets explored.
    const unsigned choice = size > 0 ? data[size - 1] : 0;
    if (choice & 1) job.ToggleMirror();
    job.SetRotation(static_cast<kerfmax::Rotation>((choice >> 1) & 3));
    job.OrderedObjects();
    return 0;
}
