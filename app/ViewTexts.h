#pragma once
// Texts of the estimate line under the preview, the cutting-speed entry and
// opening a job from the window, in both languages. Placeholders %1, %2, ...
// are filled in order by FillText.
#include <initializer_list>
#include <string>

namespace kerfmax {

enum class ViewTextId {
    EstimateLine,  // %1 cut metres, %2 travel metres, %3 objects, %4 time, %5 speed
    EstimateDetail,  // %1 transfer time, %2 bytes, %3 link, %4 bytes a second, %5 cutting time, %6 speed
    LinkSerial,
    LinkNetwork,
    LinkUsb,
    SpeedTitle,
    SpeedLabel,
    OpenJobTitle,
    OpenJobFilter,
    Count
};

const char* ViewText(ViewTextId id, int language);
std::string FillText(std::string format, std::initializer_list<std::string> values);

}  // namespace kerfmax
