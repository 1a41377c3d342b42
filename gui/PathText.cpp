#include "gui/PathText.h"

#include "platform/PathText.h"

namespace kerfmax::gui {

std::filesystem::path ToPath(const QString& text)
{
    return PathFromUtf8(text.toUtf8().toStdString());
}

QString ToQString(const std::filesystem::path& path)
{
    return QString::fromStdString(PathToUtf8(path));
}

}  // namespace kerfmax::gui
