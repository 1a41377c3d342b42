#pragma once
// The skin: a Qt style sheet named "Skin.qss" beside the program, loaded once
// before the main window is built. A missing, unreadable or broken file
// leaves the standard look, silently.
#include <filesystem>
#include <optional>
#include <string>

class QApplication;

namespace kerfmax::gui {

inline constexpr const char* kSkinFileName = "Skin.qss";

// The style sheet text of the file when it is one we can use: readable, not
// larger than a sane style sheet, UTF-8, and with its comments, strings and
// braces closed. Nothing otherwise.
std::optional<std::string> ReadSkinFile(const std::filesystem::path& file);

// Sets programFolder / "Skin.qss" as the application's style sheet. False
// (and the style sheet unchanged) when there is no usable file.
bool LoadSkin(QApplication& app, const std::filesystem::path& programFolder);

}  // namespace kerfmax::gui
