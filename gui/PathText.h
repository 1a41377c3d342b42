#pragma once
// Paths between Qt and the core: the core takes std::filesystem::path, Qt
// gives QString. On Windows the wide form carries every character; elsewhere
// file names are UTF-8 bytes.
#include <QString>

#include <filesystem>
#include <string>

namespace kerfmax::gui {

std::filesystem::path ToPath(const QString& text);
QString ToQString(const std::filesystem::path& path);
// Core texts are UTF-8.
inline QString FromUtf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
inline std::string ToUtf8(const QString& text)
{
    return text.toUtf8().toStdString();
}

}  // namespace kerfmax::gui
