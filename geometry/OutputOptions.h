#pragma once
// What the output assembly needs to know besides the job: the command texts of
// the cutter's language and the run's cutting settings, as plain values. The
// layers above fill them from the cutter object and the run's settings.
#include <cstdint>
#include <string>

namespace kerfmax {

// Closes every output file in both languages: 19 at signs and a semicolon.
inline constexpr char kEndFiller[] = "@@@@@@@@@@@@@@@@@@@;";

// The command texts the assembly writes. Pen formats take two signed integers,
// the first and the second cutter coordinate ("PU%ld,%ld;"); PenCommandWriter
// applies them.
struct CommandTexts {
    std::string initCommand = "IN;SP1;";
    std::string penUpFormat = "PU%ld,%ld;";
    std::string penDownFormat = "PD%ld,%ld;";
    std::string trailer = "PG;";
    std::int32_t isDmpl = 0;
};

struct OutputOptions {
    int cutOrder = 0;  // 1 "Reduce Feed", 2 "Inside First", anything else file order
    bool compensate = true;  // either length box ticked: through the blade-offset filter
    std::int32_t bladeOffset = 14;  // plotter units, 0 when unticked
    std::int32_t overCut = 0;  // plotter units, 0 when unticked
    std::int32_t frameEnabled = 0;  // 1 cuts a frame with the margins around the job
    std::int32_t marginLeft = 1;  // whole millimetres
    std::int32_t marginRight = 1;
    std::int32_t marginBottom = 1;
    std::int32_t marginTop = 1;
};

}  // namespace kerfmax
