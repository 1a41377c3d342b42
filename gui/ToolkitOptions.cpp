#include "gui/ToolkitOptions.h"

#include <array>
#include <string_view>

namespace kerfmax::gui {

namespace {

// The options QGuiApplication and QApplication take that are followed by a value.
constexpr std::array<std::string_view, 11> kOptionsWithValue = {
    "platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry", "qwindowicon", "qwindowtitle",
    "style",    "stylesheet",         "session",       "display"};

bool IsOptionWithValue(const std::string& word)
{
    std::string_view name(word);
    if (name.substr(0, 2) == "--") {
        name.remove_prefix(2);
    } else if (name.substr(0, 1) == "-") {
        name.remove_prefix(1);
    } else {
        return false;
    }
    for (std::string_view option : kOptionsWithValue)
        if (name == option) return true;
    return false;
}

}  // namespace

std::vector<std::string> WithoutToolkitOptions(const std::vector<std::string>& words)
{
    std::vector<std::string> kept;
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (IsOptionWithValue(words[i]) && i + 1 < words.size()) {
            ++i;  // and its value
            continue;
        }
        kept.push_back(words[i]);
    }
    return kept;
}

}  // namespace kerfmax::gui
