#pragma once
// The two job-size fields of the main window: the extents in millimetres,
// "%.2f", the frame's margins added when the frame is on.
#include <string>

#include "app/JobSettings.h"
#include "geometry/PathTypes.h"

namespace kerfmax {

struct JobSizeTexts {
    std::string width;  // x extent, shown in the second field
    std::string height;  // y extent, shown in the first field
};

JobSizeTexts JobSizeFor(const BoundBox& box, const JobSettings& settings);

}  // namespace kerfmax
