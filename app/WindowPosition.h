#pragma once
// Where the main window stood, as the settings file keeps it: "x,y,screen"
// (the screen's name may hold commas: it is the rest of the text).
#include <optional>
#include <string>

namespace kerfmax {

struct WindowPosition {
    int x = 0;
    int y = 0;
    std::string screen;
    bool operator==(const WindowPosition&) const = default;
};

std::string FormatWindowPosition(const WindowPosition& position);
// Nothing for a text that is not two whole numbers and a screen name.
std::optional<WindowPosition> ParseWindowPosition(const std::string& text);

}  // namespace kerfmax
