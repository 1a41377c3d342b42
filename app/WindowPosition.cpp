#include "app/WindowPosition.h"

#include <charconv>

namespace kerfmax {

namespace {

// A whole number up to the next comma; pos moves past the comma.
std::optional<int> NumberField(const std::string& text, std::size_t& pos)
{
    const std::size_t comma = text.find(',', pos);
    if (comma == std::string::npos) return std::nullopt;
    int value = 0;
    const auto [end, error] = std::from_chars(text.data() + pos, text.data() + comma, value);
    if (error != std::errc() || end != text.data() + comma || comma == pos) return std::nullopt;
    pos = comma + 1;
    return value;
}

}  // namespace

std::string FormatWindowPosition(const WindowPosition& position)
{
    return std::to_string(position.x) + "," + std::to_string(position.y) + "," + position.screen;
}

std::optional<WindowPosition> ParseWindowPosition(const std::string& text)
{
    std::size_t pos = 0;
    const std::optional<int> x = NumberField(text, pos);
    if (!x) return std::nullopt;
    const std::optional<int> y = NumberField(text, pos);
    if (!y) return std::nullopt;
    return WindowPosition{*x, *y, text.substr(pos)};
}

}  // namespace kerfmax
