#pragma once
// Output job assembly: turns the loaded job into the complete command stream of
// the chosen dialect (header, one command per point, the frame, the final
// pen-up, trailer and end filler), plain or through the blade-offset filter.
#include <cstdint>
#include <vector>

#include "geometry/BladeCompensation.h"
#include "geometry/Job.h"
#include "geometry/OutputLayout.h"
#include "geometry/OutputOptions.h"
#include "geometry/OutputSink.h"
#include "geometry/PathTypes.h"

namespace kerfmax {

enum class OutputResult {
    Written,  // the whole stream went to the sink
    NothingToCut,  // no job, or no pen point in the chosen order; nothing written
    WriteFailed,  // the sink failed (or was cancelled) part way
};

// Copies (kind, x, y) of the nodes of the objects in the given order, object
// after object. Empty when the order is empty.
PointList JoinArtObjects(const std::vector<MC_ArtObj_>& objects, const ObjectOrder& order);

// Assembles the output of job for the options and command texts into sink.
// With options.cutOrder 1 the job's "Reduce Feed" order is used, computed here
// when the job holds none yet (the job itself is left as it is, so a run can
// assemble a job that another thread reads). Cutter coordinates are computed in
// 64 bits, so no job coordinate can overflow them. layout (optional) gets
// where each object's commands begin.
OutputResult BuildOutputJob(const Job& job, const OutputOptions& options, const CommandTexts& texts, OutputSink& sink,
                            BladeCompensator& compensator = ProcessCompensator(), OutputLayout* layout = nullptr);

}  // namespace kerfmax
