#include "app/JobSize.h"

#include <cstdint>
#include <cstdio>

namespace kerfmax {

namespace {

constexpr double kUnitsPerMm = 40.0;

std::string SizeText(std::int64_t extent, std::int64_t marginsMm)
{
    // The extent is rounded to single precision before it is printed.
    const float mm = static_cast<float>(static_cast<double>(extent) / kUnitsPerMm + static_cast<double>(marginsMm));
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", static_cast<double>(mm));
    return text;
}

}  // namespace

JobSizeTexts JobSizeFor(const BoundBox& box, const JobSettings& s)
{
    const bool frame = s.frameEnabled != 0;
    const std::int64_t xMargins = frame ? std::int64_t{s.marginBottom} + s.marginTop : 0;
    const std::int64_t yMargins = frame ? std::int64_t{s.marginLeft} + s.marginRight : 0;
    return {SizeText(std::int64_t{box.xMax} - box.xMin, xMargins),
            SizeText(std::int64_t{box.yMax} - box.yMin, yMargins)};
}

}  // namespace kerfmax
